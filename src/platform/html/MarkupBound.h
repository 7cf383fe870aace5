#pragma once
// Hostile markup made harmless before the parser sees it.
#include <cstddef>
#include <string>
#include <string_view>

namespace qx::platform {

// Browsers cap the depth of the element tree; deeper markup is flattened (block boundaries kept
// as empty blocks, inline tags dropped) and tags keep at most kMaxAttributes attributes. This keeps
// the parser linear on hostile input. Exposed for the tests and the fuzzer.
constexpr std::size_t kMaxElementDepth = 256;
constexpr std::size_t kMaxOpenFormatting = 64;
constexpr std::size_t kMaxAttributes = 64;
std::string boundMarkup(std::string_view utf8Html);

}  // namespace qx::platform
