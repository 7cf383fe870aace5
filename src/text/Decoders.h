#pragma once
// Decoders that turn escaped or mis-encoded text back into readable GBK text.
#include "core/Text.h"

namespace qx {

// The text's bytes read as UTF-8 and written in GBK.
Text decodeUtf8Bytes(const Text& text);
// "%XX" escapes become the bytes they name; "+" stays. A "%" that is not followed by two
// hexadecimal digits (the end of the text included) is copied as it is.
Text decodePercent(const Text& text);
// "\uXXXX" escapes (and the script's other "%uXXXX" / "%XX" escapes) decoded by the script's
// unescape; when the script fails, the text's bytes read as UTF-16LE. Line breaks and apostrophes
// survive.
Text decodeUnicodeEscapes(const Text& text);

}  // namespace qx
