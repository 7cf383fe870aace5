#include "platform/system/ShellQuote.h"

namespace qx::platform {

std::string shellQuote(std::string_view s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += "'";
    return out;
}

}  // namespace qx::platform
