// Build-time tool: asks ICU for every GBK (Windows code page 936) mapping and writes them as two
// tables of little-endian 16-bit values, so the program converts ordinary text without opening
// ICU's converter (its tables cost a megabyte of memory at start-up). Text the tables do not
// cover still goes to ICU.
//   gbk_to_unicode.bin  0x80..0xFF as single bytes (128 values), then lead 0x81..0xFE x trail
//                       0x40..0xFE (126 x 191 values); 0: not a mapped character
//   unicode_to_gbk.bin  U+0000..U+FFFF (65536 values): a byte below 0x100, a lead and trail byte
//                       as lead << 8 | trail; 0: not mapped
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

UConverter* open() {
    UErrorCode err = U_ZERO_ERROR;
    UConverter* c = ucnv_open("windows-936-2000", &err);
    if (U_FAILURE(err)) return nullptr;
    // A character without a mapping stops the conversion instead of being replaced.
    ucnv_setToUCallBack(c, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    ucnv_setFromUCallBack(c, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    return U_FAILURE(err) ? nullptr : c;
}

// The one UTF-16 unit the bytes decode to, or 0.
char16_t decode(UConverter* c, const char* bytes, int length) {
    UChar out[4];
    UErrorCode err = U_ZERO_ERROR;
    ucnv_resetToUnicode(c);
    const int n = ucnv_toUChars(c, out, 4, bytes, length, &err);
    if (U_FAILURE(err) || n != 1 || U16_IS_SURROGATE(out[0])) return 0;
    return out[0];
}

// The bytes of one unit, as the table stores them, or 0.
unsigned encode(UConverter* c, char16_t unit) {
    char out[8];
    UErrorCode err = U_ZERO_ERROR;
    ucnv_resetFromUnicode(c);
    const UChar in[1] = {unit};
    const int n = ucnv_fromUChars(c, out, 8, in, 1, &err);
    if (U_FAILURE(err) || n < 1 || n > 2) return 0;
    const auto b0 = static_cast<unsigned char>(out[0]);
    return n == 1 ? b0 : (b0 << 8 | static_cast<unsigned char>(out[1]));
}

bool write(const std::string& path, const std::vector<unsigned>& values) {
    std::ofstream f(path, std::ios::binary);
    for (unsigned v : values) {
        const char le[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
        f.write(le, 2);
    }
    return static_cast<bool>(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    UConverter* c = open();
    if (!c) {
        std::fprintf(stderr, "ICU has no windows-936-2000 converter\n");
        return 1;
    }
    // The program takes ASCII as it is; the tables rely on GBK agreeing.
    for (int b = 0; b < 0x80; ++b) {
        const char byte = static_cast<char>(b);
        if ((b != 0 && decode(c, &byte, 1) != b) ||
            (b != 0 && encode(c, static_cast<char16_t>(b)) != unsigned(b))) {
            std::fprintf(stderr, "GBK differs from ASCII at %#x\n", b);
            return 1;
        }
    }
    std::vector<unsigned> toUnicode;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char byte = static_cast<char>(b);
        toUnicode.push_back(decode(c, &byte, 1));
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            toUnicode.push_back(decode(c, pair, 2));
        }
    std::vector<unsigned> fromUnicode(0x10000, 0);
    for (unsigned u = 0x80; u < 0x10000; ++u)
        if (!U16_IS_SURROGATE(u)) fromUnicode[u] = encode(c, static_cast<char16_t>(u));
    ucnv_close(c);
    const std::string dir = argv[1];
    if (!write(dir + "/gbk_to_unicode.bin", toUnicode) || !write(dir + "/unicode_to_gbk.bin", fromUnicode)) {
        std::fprintf(stderr, "cannot write the tables to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
