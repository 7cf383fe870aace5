#pragma once
// Small text operations of the request code, shared by several features: cutting text between
// delimiters, header lines, header-name normalising and base64.
#include <string_view>

#include "core/Text.h"

namespace qx::net {

// The text left of the first delimiter found at or after start (<= 0 counts as 1); empty when
// the delimiter is absent.
Text textBefore(std::string_view text, std::string_view delimiter, int start = 1, bool ignoreCase = false);
// The text between the first left delimiter (searched from start) and the next right delimiter
// after it. "#引号" in a delimiter stands for a double quote. Case-insensitive unless caseSensitive.
Text textBetween(std::string_view text, std::string_view left, std::string_view right, int start = 1,
                 bool caseSensitive = false);
// Name (left of the first ':') and value (right of it) of a header line, trimmed; empty when
// the line holds no ':'.
Text headerLineName(std::string_view line);
Text headerLineValue(std::string_view line);
// Every header name in capitalised form (content-type -> Content-Type; other letters keep their
// case); lines without ':' are dropped; lines joined by CR LF, none at the end.
Text normalizeHeaderNames(std::string_view block);
// First character upper-cased (ASCII letters), the rest unchanged.
Text capitalizeFirst(std::string_view text);
// Standard base64 (RFC 4648 alphabet, '=' padding), no line breaks.
ByteArray base64Encode(const ByteArray& bytes);

}  // namespace qx::net
