// The regex strip and the Chinese-character filter over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/HtmlText.h"

using namespace qx;
using namespace qx::net;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qx::Text input(reinterpret_cast<const char*>(data), size);

    qx::Text stripped = qx::net::stripHtmlByRegex(input);
    if (stripped.size() > input.size() * 2 + 16) std::abort();  // deleting never grows much

    qx::Text chinese = qx::net::extractChineseCharacters(input);
    if (chinese.size() % 2 != 0) std::abort();
    for (std::size_t k = 0; k < chinese.size(); k += 2) {
        auto lead = static_cast<unsigned char>(chinese[k]);
        auto trail = static_cast<unsigned char>(chinese[k + 1]);
        if (lead < 0xB0 || lead > 0xF7 || trail < 0xA1 || trail > 0xFE) std::abort();
    }
    return 0;
}
