// The program's own UTF-8 and GBK conversions must give exactly what ICU gives: compared over every
// GBK character, every BMP code point, and malformed input, which they leave to ICU.
#include <gtest/gtest.h>

#include <random>

#include "platform/text/CodePage.h"

namespace qx::platform {
namespace {

std::u16string icuDecode(std::string_view bytes, const char* charset) {
    std::u16string out;
    EXPECT_TRUE(decodeCharset(bytes, charset, out));
    return out;
}

std::string icuEncode(std::u16string_view text, const char* charset) {
    std::string out;
    EXPECT_TRUE(encodeCharset(text, charset, out));
    return out;
}

TEST(CodePage, GbkAgreesWithIcuOnEveryCharacterAndMalformedInput) {
    std::string all;
    for (int lead = 0x80; lead <= 0xFF; ++lead)
        for (int trail = 0x00; trail <= 0xFF; ++trail) {
            const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
            all += pair;
            ASSERT_EQ(decodeCodePage(pair, 936), icuDecode(pair, "windows-936-2000")) << lead << ' ' << trail;
        }
    EXPECT_EQ(decodeCodePage(all, 936), icuDecode(all, "windows-936-2000"));
    for (std::string_view odd :
         {std::string_view("\x81", 1), std::string_view("a\xFE", 2), std::string_view("\0\x80\xFF", 3)})
        EXPECT_EQ(decodeCodePage(odd, 936), icuDecode(odd, "windows-936-2000"));

    std::u16string every;
    for (char32_t u = 0; u < 0x10000; ++u) {
        const std::u16string one(1, static_cast<char16_t>(u));
        every += one;
        ASSERT_EQ(encodeCodePage(one, 936), icuEncode(one, "windows-936-2000"))
            << std::hex << static_cast<unsigned>(u);
    }
    EXPECT_EQ(encodeCodePage(every, 936), icuEncode(every, "windows-936-2000"));
    EXPECT_EQ(encodeCodePage(u"\U0001F600中", 936), icuEncode(u"\U0001F600中", "windows-936-2000"));
}

TEST(CodePage, Utf8AgreesWithIcuOnEveryCodePointAndMalformedInput) {
    std::u16string every;
    for (char32_t u = 0; u < 0x110000; u += (u < 0x10000 ? 1 : 0x3F)) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        if (u < 0x10000) {
            every += static_cast<char16_t>(u);
        } else {
            every += static_cast<char16_t>(0xD7C0 + (u >> 10));
            every += static_cast<char16_t>(0xDC00 | (u & 0x3FF));
        }
    }
    const std::string utf8 = encodeCodePage(every, 65001);
    EXPECT_EQ(utf8, icuEncode(every, "UTF-8"));
    EXPECT_EQ(decodeCodePage(utf8, 65001), every);
    // Lone surrogates, overlong forms, cut sequences, bytes that never occur: random mixtures.
    EXPECT_EQ(encodeCodePage(u"a\xD800"
                             u"b\xDC00",
                             65001),
              icuEncode(u"a\xD800"
                        u"b\xDC00",
                        "UTF-8"));
    std::mt19937 random(7);
    const std::string pieces[] = {
        "a",        "\xC0\xAF",     "\xE0\x80\xAF",     "\xED\xA0\x80", "\xF4\x90\x80\x80",
        "\xE4\xB8", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\x80",         "\xFF",
        "\xC3",     "\xEF\xBB\xBF"};
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (int k = 0; k < 4; ++k) bytes += pieces[random() % std::size(pieces)];
        ASSERT_EQ(decodeCodePage(bytes, 65001), icuDecode(bytes, "UTF-8")) << bytes;
    }
}

}  // namespace
}  // namespace qx::platform
