// The three decoders over arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "text/Decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qx::Text input(reinterpret_cast<const char*>(data), size);

    qx::Text percent = qx::decodePercent(input);
    if (percent.size() > input.size()) std::abort();
    if (percent.find('\0') != qx::Text::npos) std::abort();

    qx::decodeUtf8Bytes(input);
    qx::decodeUnicodeEscapes(input);
    return 0;
}
