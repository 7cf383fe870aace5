#include "platform/system/VersionRecord.h"

#include <cstring>

#include "platform/system/Files.h"

namespace qx::platform {
namespace {

// Built at run time so that the reader's own code never holds the marker in one piece.
std::string marker() {
    std::string m = "QXVER";
    m += "SIONRECORD1";
    m.push_back('\0');
    return m;
}

}  // namespace

const std::array<const char*, kVersionFieldCount>& versionFieldNames() {
    static const std::array<const char*, kVersionFieldCount> names = {
        "FileVersion",    "ProductVersion", "FileDescription",  "ProductName",
        "CompanyName",    "LegalCopyright", "LegalTrademarks",  "InternalName",
        "OriginalFilename", "Comments",     "PrivateBuild"};
    return names;
}

std::string makeVersionRecord(const VersionFields& fields) {
    // marker, then 11 fields each ended by NUL, then a second NUL.
    std::string out = marker();
    for (auto& f : fields) {
        out += f;
        out.push_back('\0');
    }
    out.push_back('\0');
    return out;
}

bool readVersionRecord(std::string_view path, VersionFields& fields) {
    std::string bytes;
    if (!readFile(path, bytes)) return false;
    std::string m = marker();
    // The first occurrence that is followed by eleven fields and the closing NUL is the record.
    for (std::size_t at = bytes.find(m); at != std::string::npos; at = bytes.find(m, at + 1)) {
        std::size_t pos = at + m.size();
        VersionFields out;
        bool complete = true;
        for (std::size_t i = 0; i < kVersionFieldCount && complete; ++i) {
            std::size_t end = bytes.find('\0', pos);
            if (end == std::string::npos || end - pos > 256) {
                complete = false;
                break;
            }
            out[i] = bytes.substr(pos, end - pos);
            pos = end + 1;
        }
        if (!complete || pos >= bytes.size() || bytes[pos] != '\0') continue;
        fields = out;
        return true;
    }
    return false;
}

}  // namespace qx::platform
