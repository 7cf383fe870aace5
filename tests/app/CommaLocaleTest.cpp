// The numbers the program shows and reads, in a desktop session whose locale writes a decimal
// comma (de_DE.UTF-8): every text keeps its point and every number text still parses.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <ostream>

#include "cli/Console.h"
#include "platform/imaging/ImageSize.h"
#include "processkill/ProcessKill.h"
#include "script/JsonObject.h"
#include "support/CommaLocale.h"
#include "support/PngBytes.h"
#include "tester/WebTester.h"
#include "text/CodePages.h"
#include "text/Strings.h"
#include "utilities/speedtest/SpeedTest.h"

using namespace qx;

namespace {

struct NumberCase {
    const char* what;
    std::function<Text()> make;
    Text expected;
};

double jsonNumber(const char* json, const char* path) {
    script::JsonObject j;
    if (!j.parse(json)) return -1;
    return j.getNumber(path);
}

Text jsonAfterSetNumber(double v) {
    script::JsonObject j;
    if (!j.parse("{\"a\":0}")) return "parse failed";
    j.setNumber("a", v);
    return j.toJsonText();
}

Text pictureSize(std::uint32_t w, std::uint32_t h) {
    const std::string png = test::pngBytes(w, h);
    const platform::ImageSize size = platform::imageSize(std::vector<std::uint8_t>(png.begin(), png.end()));
    return tester::imageSizeText(size.width, size.height);
}

const NumberCase kCases[] = {
    {"fromDouble", [] { return fromDouble(1.4375); }, "1.4375"},
    {"fromDouble, 13 digits", [] { return fromDouble(2.0 / 3.0); }, "0.6666666666667"},
    {"toDouble", [] { return fromDouble(toDouble(" 1.5 ") * 2); }, "3"},
    {"toDouble of a number with a comma stops there", [] { return fromDouble(toDouble("1,5")); }, "1"},
    {"speed of a second", [] { return speedtest::secondCaption(1507328); }, "1.4375 MB/s"},
    {"speed of a slow second", [] { return speedtest::secondCaption(1536); }, "1.5 KB/s"},
    {"average speed", [] { return speedtest::averageCaption(1499); }, gbk(u8"您的平均接入速度：1.463MB/s")},
    {"tester's data size", [] { return tester::dataSizeText(1536); }, "1.5 KB"},
    {"tester's image size", [] { return pictureSize(300, 20); }, gbk(u8"宽：300  高：20")},
    {"JSON number read", [] { return fromDouble(jsonNumber("{\"a\":1.25}", "a")); }, "1.25"},
    {"JSON number read as text", [] { return fromDouble(jsonNumber("{\"a\":\"2.5\"}", "a")); }, "2.5"},
    {"JSON number read back as text",
     [] {
         script::JsonObject j;
         return j.parse("{\"a\":1.5}") ? j.getText("a") : Text("parse failed");
     },
     "1.5"},
    {"JSON number written", [] { return jsonAfterSetNumber(0.125); }, "{\"a\":0.125}"},
    {"command line's byte size", [] { return Text(cli::byteSizeText(1536)); }, "1.5 KB"},
    {"process list's memory size", [] { return Text(processkill::formatMemory(3LL << 19)); }, "1.5 MB"},
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.what; }

class CommaLocaleNumbers : public testing::TestWithParam<NumberCase> {};

}  // namespace

TEST_P(CommaLocaleNumbers, KeepTheirPoint) {
    test::CommaLocale locale;
    ASSERT_TRUE(locale.active()) << "de_DE.UTF-8 could not be set or generated (package `locales`)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale is not in force: this test would prove nothing";
    EXPECT_EQ(GetParam().make(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(All, CommaLocaleNumbers, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<NumberCase>& info) {
                             return std::to_string(info.index);
                         });
