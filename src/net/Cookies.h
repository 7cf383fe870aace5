#pragma once
// The client-side cookie jar as one text: pairs name=value joined by "; ".
#include <string_view>

#include "core/Text.h"

namespace qx::net {

// Merges the cookies that were sent (oldCookies) with those the server set (newCookies): new
// values replace old ones of the same name, untouched old ones survive after the new ones,
// "=deleted" pairs disappear, exact duplicates collapse. Both arguments are trimmed in place;
// the merged text is returned and also left in oldCookies. Empty pieces are dropped.
Text mergeCookies(Text& oldCookies, Text& newCookies);
// Text before the first '=', trimmed (the whole pair trimmed when it has none).
Text cookieName(std::string_view pair);
// True when some element's cookieName equals name exactly.
bool hasCookieName(const TextArray& pairs, std::string_view name);
// Each piece kept at its first occurrence (exact comparison), joined by the delimiter.
Text removeDuplicateItems(std::string_view text, std::string_view delimiter);
// 1-based position of the first element equal to text, -1 when none.
int indexOfText(const TextArray& items, std::string_view text);

}  // namespace qx::net
