// The helper tools' executable reading: the whole wrapper (a file handed to the parsing child,
// its answer checked and decoded) and the resource decoders over the same bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/Executable.h"
#include "common/PeResources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    std::vector<qx::tools::GroupIconEntry> group;
    if (qx::tools::parseGroupIcon(bytes, group)) {
        const std::string ico = qx::tools::buildIco(group, [&](std::uint16_t) { return &bytes; });
        std::vector<std::pair<qx::tools::GroupIconEntry, std::string>> back;
        if (!ico.empty() && !qx::tools::parseIco(ico, back)) std::abort();  // what we write must read back
    }
    std::vector<std::pair<qx::tools::GroupIconEntry, std::string>> images;
    qx::tools::parseIco(bytes, images);
    qx::tools::VersionInfo version;
    qx::tools::parseVersionInfo(bytes, version);
    std::vector<std::pair<std::uint32_t, std::string>> strings;
    qx::tools::parseStringTable(bytes, 1, strings);
    qx::tools::describeIconImage(bytes);
    qx::tools::manifestText(bytes);
    qx::tools::ExecutableInfo info;
    if (qx::tools::deserialize(bytes, info) && qx::tools::serialize(info) != bytes) std::abort();

    // The file path: LIEF runs in the child, so a fault of the parser must come back as an error.
    if (size >= 2 && (bytes.compare(0, 2, "MZ") == 0 || bytes.compare(0, 4,
                                                                      "\x7f"
                                                                      "ELF") == 0)) {
        static const std::string path = "/tmp/qx_fuzz_executable_" + std::to_string(getpid());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        std::string error;
        qx::tools::ReadLimits limits;
        limits.maxSeconds = 5;
        limits.maxMemoryBytes = 1ull << 30;
        if (!qx::tools::readExecutable(path, info, error, limits) && error.empty()) std::abort();
    }
    return 0;
}
