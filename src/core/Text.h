#pragma once
// The vocabulary every layer shares. `Text` holds GBK bytes, `ByteArray` raw bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

using Text = std::string;
using ByteArray = std::vector<std::uint8_t>;
using TextArray = std::vector<Text>;

inline ByteArray toBytes(std::string_view text) { return ByteArray(text.begin(), text.end()); }
// The bytes as they are (a NUL stays in).
inline Text toText(const ByteArray& bytes) { return Text(bytes.begin(), bytes.end()); }

// True for a GBK lead byte (0x81-0xFE): it and the byte after it form one character.
inline bool isGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

}  // namespace qx
