#pragma once
// The text routines of the program. Positions are 1-based byte positions; "not found" is -1.
#include <string_view>

#include "core/Text.h"

namespace qx {

Text textUpToNul(const ByteArray& bytes);

// find: from 1-based start (<= 0 counts as 1). ignoreCase folds ASCII letters only and
// matches on character boundaries, so a letter never matches a GBK trail byte.
int find(std::string_view s, std::string_view needle, int start = 1, bool ignoreCase = false);
// findLast: the last occurrence that begins at or before start (-1 = from the end).
int findLast(std::string_view s, std::string_view needle, int start = -1, bool ignoreCase = false);
bool contains(std::string_view s, std::string_view needle, bool ignoreCase = false);

Text left(std::string_view s, int count);
Text right(std::string_view s, int count);
Text mid(std::string_view s, int start, int count = -1);  // count -1: to the end

// Replaces from the occurrence at or after start, at most maxCount times (-1: all).
Text replace(std::string_view s, std::string_view from, std::string_view to, int start = 1,
             int maxCount = -1, bool ignoreCase = false);
inline Text replaceAll(std::string_view s, std::string_view from, std::string_view to,
                       bool ignoreCase = false) {
    return replace(s, from, to, 1, -1, ignoreCase);
}
inline Text replaceFirst(std::string_view s, std::string_view from, std::string_view to,
                         bool ignoreCase = false) {
    return replace(s, from, to, 1, 1, ignoreCase);
}

// Trims ASCII spaces (and tabs, CR, LF as the runtime does).
Text trim(std::string_view s);
Text trimLeft(std::string_view s);
Text trimRight(std::string_view s);
// True when the text holds only ASCII spaces and full-width spaces (GBK A1 A1).
bool isBlank(std::string_view s);

// Splits at every delimiter, keeping empty pieces; an empty delimiter means ",".
// maxCount > 0 caps the number of pieces (the last one holds the rest).
TextArray split(std::string_view s, std::string_view delimiter, int maxCount = 0);
Text join(const TextArray& pieces, std::string_view delimiter);

Text toUpperAscii(std::string_view s);
Text toLowerAscii(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWith(std::string_view s, std::string_view prefix, bool ignoreCase = false);
bool endsWith(std::string_view s, std::string_view suffix, bool ignoreCase = false);

Text fromInt(long long v);
// "%.13g" style: up to 13 significant digits, no trailing zeros.
Text fromDouble(double v);
// Leading integer of the text as the runtime reads it (0 when none).
long long toInt(std::string_view s);
double toDouble(std::string_view s);

}  // namespace qx
