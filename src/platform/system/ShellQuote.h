#pragma once
#include <string>
#include <string_view>

namespace qx::platform {

// One word for sh: single-quoted, with each ' written as '\''. Safe for any bytes but NUL.
std::string shellQuote(std::string_view s);

}  // namespace qx::platform
