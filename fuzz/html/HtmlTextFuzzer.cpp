// Markup of any shape: the rendered text must come back (GBK and UTF-8 forms), and the guard must
// leave ordinary text alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/HtmlText.h"
#include "platform/html/RenderedText.h"

using namespace qx;
using namespace qx::net;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);

    std::string utf8;
    if (!qx::platform::renderedBodyText(input, utf8)) std::abort();

    qx::Text text = qx::net::htmlDocumentText(input);
    // Every LF of the GBK form belongs to a CR LF pair.
    for (std::size_t k = 0; k < text.size(); ++k)
        if (text[k] == '\n' && (k == 0 || text[k - 1] != '\r')) std::abort();

    // Text without a '<' has no markup to bound.
    if (input.find('<') == std::string::npos && qx::platform::boundMarkup(input) != input) std::abort();
    return 0;
}
