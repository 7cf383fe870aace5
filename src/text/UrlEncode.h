#pragma once
// Percent-encoding of texts for query strings (the speech request, the encoder's URL box).
#include "core/Text.h"

namespace qx {

// "A"-"Z", "a"-"z", "0"-"9", "-" and "." stay; with keepMarks also "'", "(", ")" and "*".
// A space becomes "+", a zero byte is dropped, every other byte becomes "%XX" (upper case).
Text percentEncodeBytes(const ByteArray& bytes, bool keepMarks);

// The text's GBK bytes, or with useUtf8 its UTF-8 form, percent-encoded.
Text urlEncodeText(const Text& text, bool keepMarks = false, bool useUtf8 = false);

}  // namespace qx
