#pragma once
// JavaScript regular-expression syntax in PCRE2 terms.
#include <string>
#include <string_view>

namespace qx::platform {

// Rewrites a JavaScript pattern into PCRE2 syntax with the JavaScript meaning of `.`, `^`, `$`,
// `\d \w \s \b` and the escapes. False when the pattern is not valid JavaScript syntax.
// Exposed for the tests and the fuzzer.
bool translateJsPattern(std::u16string_view js, bool multiline, bool caseless, std::u16string& pcre,
                        int& groupCount);

}  // namespace qx::platform
