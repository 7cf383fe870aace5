// Bytes read back as text in a charset named by the input's first line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text/TextStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t eol = input.find('\n');
    if (eol == std::string_view::npos || eol > 64) return 0;
    std::string_view charset = input.substr(0, eol);
    std::string_view bytes = input.substr(eol + 1);

    qx::platform::TextStream stream;
    stream.open();
    stream.write(bytes);
    stream.setPosition(0);
    stream.setType(qx::platform::TextStream::kText);
    bool known = stream.setCharset(charset);
    std::u16string text;
    if (known && !stream.readText(text)) std::abort();

    std::string back;
    if (known) qx::platform::textToBytes(text, charset, back);
    return 0;
}
