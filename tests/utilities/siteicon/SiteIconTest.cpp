#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/imaging/ImageCodec.h"
#include "platform/system/Worker.h"
#include "support/RunDirectory.h"
#include "support/doubles/UtilityDoubles.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "text/Strings.h"
#include "utilities/siteicon/ImageConversion.h"
#include "utilities/siteicon/SiteIconWindow.h"

using namespace qx;
using namespace qx::siteicon;
using qx::test::eventually;
using qx::test::RunDirectory;

namespace {

ByteArray bytesOf(const std::string& s) { return ByteArray(s.begin(), s.end()); }
std::string textOf(const ByteArray& b) { return std::string(b.begin(), b.end()); }

// Width and height of a picture; 0, 0 when it is none.
std::pair<int, int> sizeOf(const std::string& bytes) {
    platform::RgbaImage img;
    platform::decodeImage(bytesOf(bytes), img);
    return {img.width, img.height};
}

void put16(std::string& b, unsigned v) { b += char(v & 0xFF), b += char((v >> 8) & 0xFF); }
void put32(std::string& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 0xFF);
}

// An icon file of PNG frames.
std::string icoOf(const std::vector<std::string>& frames) {
    std::string b;
    put16(b, 0);
    put16(b, 1);
    put16(b, unsigned(frames.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * frames.size());
    for (const std::string& f : frames) {
        b += std::string(4, '\0');
        put16(b, 1);
        put16(b, 32);
        put32(b, std::uint32_t(f.size()));
        put32(b, offset);
        offset += std::uint32_t(f.size());
    }
    for (const std::string& f : frames) b += f;
    return b;
}

// A PNG header that claims 100000 x 100000 pixels, with nothing behind it.
std::string hugePngHeader() {
    std::string b = "\x89PNG\r\n\x1A\n";
    b += std::string("\0\0\0\x0DIHDR", 8);
    b += std::string("\x00\x01\x86\xA0\x00\x01\x86\xA0\x08\x06\x00\x00\x00", 13);
    return b + std::string(64, '\0');
}

class Environment {
  public:
    explicit Environment(const std::string& value) {
        const char* before = std::getenv("QUORVEX_CONNECT_TO");
        if (before) saved_ = before;
        ::setenv("QUORVEX_CONNECT_TO", value.c_str(), 1);
    }
    ~Environment() {
        if (saved_)
            ::setenv("QUORVEX_CONNECT_TO", saved_->c_str(), 1);
        else
            ::unsetenv("QUORVEX_CONNECT_TO");
    }

  private:
    std::optional<std::string> saved_;
};

class SiteIconWindowTest : public ::testing::Test {
  protected:
    SiteIconWindowTest() : run_("siteicon"), env_(site_.connectTo("icon.example") + ",::127.0.0.1:9") {
        state_.setExecutablePath(run_.executable());
        window_ = ui::Window::create(qx::siteicon::siteIconLayout());
        bindSiteIconWindow(window_, state_, windows_);
        window_->created();
    }
    ~SiteIconWindowTest() override {
        // Every grab of a test has ended before it returns; the state outlives nothing.
        platform::stopAllWorkers();
        EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(10)));
    }

    // Types the address, clicks "获取图标" and waits for the label.
    void grab(const std::string& address) {
        window_->control("编辑框EX2").setText(address);
        window_->control("标签EX3").setCaption("");
        ASSERT_TRUE(window_->click("按钮EX3"));
        ASSERT_TRUE(eventually([&] { return !window_->control("标签EX3").caption().empty(); }));
    }
    Text label() { return window_->control("标签EX3").caption(); }
    std::string picture() { return textOf(window_->control("图片框EX1").image()); }

    RunDirectory run_;
    test::SiteDouble site_;
    Environment env_;
    ProgramState state_;
    test::FakeWindowSystem windows_;
    ui::WindowPtr window_;
};

struct GrabCase {
    const char* name;
    std::string typed;
    std::string favicon;        // what /favicon.ico answers; "" for the site's 404 page
    bool redirectToHtml;        // /favicon.ico redirects to an HTML page instead
    std::string boxAfter;       // the address box after the click
    std::string target;         // the request target the site saw; "" for no request
    std::pair<int, int> shown;  // the picture's size; 0, 0 for the failure text
    std::size_t filler = 0;     // when set, the favicon is this many 'x' (made in the test, not
                                // each time the program starts and lists its cases)
};

class Grab : public SiteIconWindowTest, public ::testing::WithParamInterface<GrabCase> {};

TEST_P(Grab, FetchesConvertsAndLabels) {
    const GrabCase& c = GetParam();
    const std::string favicon = c.filler ? std::string(c.filler, 'x') : c.favicon;
    if (!favicon.empty()) site_.setFavicon(favicon);
    if (c.redirectToHtml) {
        site_.route("/favicon.ico", [](const test::HttpRequestRecord&, test::HttpResponse& r) {
            r.status = 302;
            r.add("Location", "/index.html");
        });
        site_.route("/index.html", [](const test::HttpRequestRecord&, test::HttpResponse& r) {
            r.add("Content-Type", "text/html");
            r.body = "<html><body>welcome</body></html>";
        });
    }
    // A stale picture of an earlier grab must not survive a failed one.
    run_.write("Temp/icon.png", test::samplePng(8, 8));
    grab(c.typed);

    EXPECT_EQ(window_->control("编辑框EX2").text(), c.boxAfter);
    if (c.target.empty()) {
        EXPECT_EQ(site_.server().requestCount(), 0u);
    } else {
        ASSERT_GE(site_.server().requestCount(), 1u);
        EXPECT_EQ(site_.server().requests().front().target, c.target);
        EXPECT_EQ(site_.lastProblem(), "");
    }
    if (c.shown.first > 0) {
        EXPECT_EQ(label(), gbk(u8"宽：") + std::to_string(c.shown.first) + gbk(u8"  高：") +
                               std::to_string(c.shown.second));
        EXPECT_EQ(run_.read("Temp/icon.ico"), favicon);
        EXPECT_EQ(sizeOf(run_.read("Temp/icon.png")), c.shown);
        EXPECT_EQ(picture(), run_.read("Temp/icon.png"));
        EXPECT_EQ(platform::sniffImage(bytesOf(picture())), platform::ImageKind::Png);
    } else {
        EXPECT_EQ(label(), gbk(u8"获取失败！网址：") + c.boxAfter + "/favicon.ico");
        EXPECT_FALSE(run_.exists("Temp/icon.png"));
        EXPECT_TRUE(picture().empty());
        EXPECT_TRUE(run_.exists("Temp/icon.ico"));  // whatever came back, possibly nothing
        // An answer over the favicon cap is refused whole.
        if (favicon.size() > (16u << 20)) {
            EXPECT_EQ(run_.read("Temp/icon.ico"), "");
        }
    }
}

std::string many() {
    std::vector<std::string> frames(199, test::samplePng(16, 16));
    frames.insert(frames.begin() + 77, test::samplePng(48, 48));
    return icoOf(frames);
}

INSTANTIATE_TEST_SUITE_P(
    Sites, Grab,
    ::testing::Values(
        GrabCase{"BareHost",
                 "icon.example",
                 test::sampleIco16(),
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {16, 16}},
        GrabCase{"TrailingSlash",
                 "http://icon.example/",
                 test::sampleIco16(),
                 false,
                 "http://icon.example/",
                 "//favicon.ico",
                 {16, 16}},
        GrabCase{"PngFavicon",
                 "http://icon.example",
                 test::samplePng(32, 24),
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {32, 24}},
        GrabCase{"TwoHundredFrames",
                 "icon.example",
                 many(),
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {48, 48}},
        GrabCase{"NoFavicon", "icon.example", "", false, "http://icon.example", "/favicon.ico", {0, 0}},
        GrabCase{"RedirectToHtml", "icon.example", "", true, "http://icon.example", "/favicon.ico", {0, 0}},
        GrabCase{"NotAPicture",
                 "icon.example",
                 "GIF89a but not really",
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {0, 0}},
        GrabCase{"ClaimsHugeSize",
                 "icon.example",
                 icoOf({hugePngHeader()}),
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {0, 0}},
        // Pictures from a site are capped at 4096 x 4096: the largest that fits is shown, one
        // larger is refused with the failure text, and an icon shows its largest frame within.
        GrabCase{"LargestThatFits",
                 "icon.example",
                 test::samplePng(4096, 3),
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {4096, 3}},
        GrabCase{"WiderThanAnIconCanBe",
                 "icon.example",
                 test::samplePng(4097, 1),
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {0, 0}},
        GrabCase{"TallerThanAnIconCanBe",
                 "icon.example",
                 test::samplePng(1, 4097),
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {0, 0}},
        GrabCase{"IconWithAFrameTooLarge",
                 "icon.example",
                 icoOf({test::samplePng(4097, 2), test::samplePng(16, 16)}),
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {16, 16}},
        GrabCase{"FiftyMegabytes",
                 "icon.example",
                 "",
                 false,
                 "http://icon.example",
                 "/favicon.ico",
                 {0, 0},
                 50u << 20},
        // The scheme test is case-sensitive: capitals get the prefix, and the address then fails.
        GrabCase{"CapitalScheme",
                 "HTTP://icon.example",
                 test::sampleIco16(),
                 false,
                 "http://HTTP://icon.example",
                 "",
                 {0, 0}},
        GrabCase{"Unreachable", "nowhere.example", "", false, "http://nowhere.example", "", {0, 0}}),
    [](const ::testing::TestParamInfo<GrabCase>& i) { return std::string(i.param.name); });

TEST_F(SiteIconWindowTest, SavingMovesThePictureSoASecondSaveAsksNothing) {
    // Nothing shown yet: no dialog.
    EXPECT_TRUE(window_->click("图片框EX1"));
    EXPECT_TRUE(windows_.fileRequests().empty());

    site_.setFavicon(test::sampleIco16());
    grab("icon.example");
    const std::string png = run_.read("Temp/icon.png");
    ASSERT_FALSE(png.empty());

    const std::string first = run_.path("first.png");
    windows_.queueFileAnswer(first);
    window_->click("图片框EX1");
    ASSERT_EQ(windows_.fileRequests().size(), 1u);
    ui::FileDialogRequest r = windows_.fileRequests()[0];
    EXPECT_TRUE(r.save);
    EXPECT_EQ(r.defaultName, "favicon.png");
    EXPECT_EQ(r.filter, "*.PNG");
    EXPECT_EQ(run_.read("first.png"), png);
    EXPECT_FALSE(run_.exists("Temp/icon.png"));  // moved

    // The preview still shows it, but the file is gone: nothing to save, so nothing is asked.
    window_->click("图片框EX1");
    EXPECT_EQ(windows_.fileRequests().size(), 1u);
    EXPECT_TRUE(windows_.messages().empty());
    EXPECT_FALSE(run_.exists("second.png"));
    EXPECT_EQ(run_.read("first.png"), png);

    // A new grab, saved over an existing file: only Yes replaces it.
    grab("icon.example");
    run_.write("taken.png", "keep me");
    windows_.queueFileAnswer(run_.path("taken.png"));
    windows_.queueAnswer(ui::MessageAnswer::No);
    window_->click("图片框EX1");
    ASSERT_EQ(windows_.messages().size(), 1u);
    EXPECT_EQ(windows_.messages()[0].message, gbk(u8"已存在相似文件，是否替换？"));
    EXPECT_EQ(windows_.messages()[0].owner, "SiteIconWindow");
    EXPECT_EQ(windows_.messages()[0].style, ui::MessageStyle::YesNoQuestion);
    EXPECT_EQ(run_.read("taken.png"), "keep me");
    EXPECT_TRUE(run_.exists("Temp/icon.png"));
    windows_.queueFileAnswer(run_.path("taken.png"));
    windows_.queueAnswer(ui::MessageAnswer::Yes);
    window_->click("图片框EX1");
    EXPECT_EQ(run_.read("taken.png"), png);
    EXPECT_FALSE(run_.exists("Temp/icon.png"));
}

TEST_F(SiteIconWindowTest, ClosingDuringAGrabDiscardsItsResult) {
    // A site that trickles: one byte now and then, until the client goes away.
    site_.server().rawRoute("/favicon.ico", [](const test::HttpRequestRecord&, test::Connection& c) {
        if (!c.writeHead(200, "", {{"Content-Length", "100000"}})) return;
        while (c.sleep(20) && c.write("x")) {
        }
    });
    window_->control("编辑框EX2").setText("icon.example");
    window_->click("按钮EX3");
    ASSERT_TRUE(site_.server().waitForRequests(1, 5000));
    // A second click while the first grab waits starts nothing more.
    window_->click("按钮EX3");
    window_->click("按钮EX1");
    EXPECT_TRUE(window_->destroyed());
    ASSERT_EQ(windows_.destroyedNames(), std::vector<std::string>{"SiteIconWindow"});
    EXPECT_TRUE(site_.server().waitForNoOpenConnections(3000));  // the fetch was abandoned
    EXPECT_EQ(site_.server().requestCount(), 1u);
    EXPECT_EQ(label(), "");
    EXPECT_FALSE(run_.exists("Temp/icon.ico"));
}

// ---- convertImage ----

struct ConvertCase {
    int format;
    const char* basePath;   // under the run directory; "" for none
    const char* writtenAs;  // the file expected; "" for none
    platform::ImageKind kind;
};

class Convert : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(Convert, WritesAndHandsBackThePicture) {
    const ConvertCase& c = GetParam();
    RunDirectory run("convert");
    for (const std::string& source : {test::samplePng(40, 30), test::sampleIco16()}) {
        auto [w, h] = sizeOf(source);
        ByteArray out = {1, 2, 3};
        // A blank path is passed as it is; others lie in the run directory.
        const Text base = isBlank(c.basePath) ? Text(c.basePath) : run.path(c.basePath);
        ASSERT_TRUE(convertImage(bytesOf(source), c.format, base, &out));
        EXPECT_EQ(platform::sniffImage(out), c.kind);
        EXPECT_EQ(sizeOf(textOf(out)), std::make_pair(w, h));
        if (*c.writtenAs) {
            EXPECT_EQ(run.read(c.writtenAs), textOf(out));
        }
        // Without an output argument the file alone is written.
        if (*c.writtenAs) {
            std::filesystem::remove(run.path(c.writtenAs));
            EXPECT_TRUE(convertImage(bytesOf(source), c.format, base));
            EXPECT_EQ(run.read(c.writtenAs), textOf(out));
        }
    }
    // Exactly one file was made, or none.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(run.root()))
        if (e.is_regular_file()) ++files;
    EXPECT_EQ(files, *c.writtenAs ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Convert,
    ::testing::Values(ConvertCase{1, "pic", "pic.bmp", platform::ImageKind::Bmp},
                      ConvertCase{2, "pic", "pic.jpg", platform::ImageKind::Jpeg},
                      ConvertCase{3, "pic", "pic.gif", platform::ImageKind::Gif},
                      ConvertCase{4, "pic", "pic.tiff", platform::ImageKind::Tiff},
                      ConvertCase{5, "pic", "pic.png", platform::ImageKind::Png},
                      // The extension already there, in any case, is kept as it is.
                      ConvertCase{5, "ICON.PNG", "ICON.PNG", platform::ImageKind::Png},
                      ConvertCase{4, "scan.TiFf", "scan.TiFf", platform::ImageKind::Tiff},
                      // ".jpeg" is not ".jpg": the extension is added.
                      ConvertCase{2, "photo.jpeg", "photo.jpeg.jpg", platform::ImageKind::Jpeg},
                      // A blank path writes nothing; the bytes still come back.
                      ConvertCase{5, "", "", platform::ImageKind::Png},
                      ConvertCase{3, "  ", "", platform::ImageKind::Gif}));

TEST(ConvertImage, RefusesWithoutWriting) {
    RunDirectory run("convert-bad");
    const Text base = run.path("out");
    const std::vector<std::pair<std::string, int>> cases = {
        {"", 5},
        {"\x89P", 5},
        {"abc", 5},                  // three bytes, but no picture
        {"<html>404</html>", 5},     // an error page
        {hugePngHeader(), 5},        // claims 100000 x 100000
        {test::samplePng(4, 4), 0},  // no such format
        {test::samplePng(4, 4), 6},
        {test::samplePng(4, 4).substr(0, 40), 1},  // cut short
    };
    for (const auto& [source, format] : cases) {
        ByteArray out = {7};
        EXPECT_FALSE(convertImage(bytesOf(source), format, base, &out)) << source.size() << " " << format;
        EXPECT_EQ(out, ByteArray{7});
    }
    EXPECT_TRUE(std::filesystem::is_empty(run.root() / "Temp"));
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(run.root())) files += e.is_regular_file();
    EXPECT_EQ(files, 0);
    EXPECT_EQ(imageExtension(1), ".bmp");
    EXPECT_EQ(imageExtension(4), ".tiff");
    EXPECT_EQ(imageExtension(6), "");
}

}  // namespace
