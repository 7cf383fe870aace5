// The link shortener against its local double (both services, reached through
// QUORVEX_CONNECT_TO): a short address, an error text, a web page, a time-out, no connection,
// and the addresses refused before anything is sent.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/http/RequestObject.h"
#include "shortlink/ShortLink.h"
#include "support/doubles/ShortLinkDouble.h"

using namespace qx::shortlink;
using qx::test::ShortLinkDouble;

namespace {

class ShortLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qx::platform::setTrustedCertificates(qx::test::TestServer::certificatePem());
        setenv("QUORVEX_CONNECT_TO", double_.connectTo().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("QUORVEX_CONNECT_TO");
        qx::platform::setTrustedCertificates("");
    }
    ShortLinkDouble double_;
};

}  // namespace

TEST_F(ShortLinkTest, BothServicesShortenAndGetExactlyTheRequestTheyExpect) {
    const std::string address = "https://例子.com/路径/?q=1&r=二#frag";
    Result r = shorten(Service::IsGd, "  " + address + "\n");
    EXPECT_EQ(double_.lastProblem(), "");
    EXPECT_EQ(double_.lastLongUrl(), address);
    ASSERT_EQ(r.outcome, Outcome::Shortened) << r.message;
    EXPECT_EQ(r.shortUrl, "https://is.gd/qx1234");

    r = shorten(Service::TinyUrl, "http://example.com/x?y=%41");
    EXPECT_EQ(double_.lastProblem(), "");
    EXPECT_EQ(double_.lastLongUrl(), "http://example.com/x?y=%41");
    ASSERT_EQ(r.outcome, Outcome::Shortened) << r.message;
    EXPECT_EQ(r.shortUrl, "https://tinyurl.com/qx5678");
}

TEST_F(ShortLinkTest, ServiceErrorsWebPagesTimeOutsAndNoConnection) {
    double_.setAnswer(ShortLinkDouble::Answer::ErrorText);
    Result r = shorten(Service::IsGd, "https://example.com/");
    EXPECT_EQ(r.outcome, Outcome::ServiceError);
    EXPECT_EQ(r.message, "is.gd 返回错误（HTTP 400）：Error: Please enter a valid URL to shorten");

    double_.setAnswer(ShortLinkDouble::Answer::WebPage);
    r = shorten(Service::TinyUrl, "https://example.com/");
    EXPECT_EQ(r.outcome, Outcome::ServiceError);
    EXPECT_EQ(r.message,
              "tinyurl.com 返回了网页而不是短链接（HTTP 200），服务可能暂时不可用，或它的接口已经改变。");
    EXPECT_TRUE(r.shortUrl.empty());

    double_.setAnswer(ShortLinkDouble::Answer::Stall);
    r = shorten(Service::IsGd, "https://example.com/", {}, Timeouts{2000, 300});
    EXPECT_EQ(r.outcome, Outcome::TimedOut);
    EXPECT_EQ(r.message, "连接 is.gd 超时，请稍后再试或换一个服务。");

    // Nothing listens where the service is sent.
    setenv("QUORVEX_CONNECT_TO", "is.gd:443:127.0.0.1:9", 1);
    r = shorten(Service::IsGd, "https://example.com/");
    EXPECT_EQ(r.outcome, Outcome::NoConnection);
    EXPECT_EQ(r.message, "无法连接到 is.gd，请检查网络连接。");

    std::stop_source stop;
    stop.request_stop();
    double_.setAnswer(ShortLinkDouble::Answer::Short);
    setenv("QUORVEX_CONNECT_TO", double_.connectTo().c_str(), 1);
    EXPECT_EQ(shorten(Service::TinyUrl, "https://example.com/", stop.get_token()).outcome,
              Outcome::Cancelled);
}

TEST(ShortLink, AddressesAreCheckedBeforeAnythingIsSent) {
    struct Case {
        const char* address;
        const char* problem;
    };
    const Case cases[] = {
        {"", "请输入要缩短的网址。"},
        {"   ", "请输入要缩短的网址。"},
        {"example.com", "请输入以 http:// 或 https:// 开头的完整网址。"},
        {"ftp://example.com/", "请输入以 http:// 或 https:// 开头的完整网址。"},
        {"javascript:alert(1)", "请输入以 http:// 或 https:// 开头的完整网址。"},
        {"https://", "网址中不能有空格、引号或尖括号，且 :// 之后必须是网站的域名。"},
        {"https:///path", "网址中不能有空格、引号或尖括号，且 :// 之后必须是网站的域名。"},
        {"https://exa mple.com", "网址中不能有空格、引号或尖括号，且 :// 之后必须是网站的域名。"},
        {"https://example.com/\"><script>", "网址中不能有空格、引号或尖括号，且 :// 之后必须是网站的域名。"},
        {"HTTPS://EXAMPLE.COM/", ""},
        {"http://例子.中国/路径", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(checkAddress(c.address), c.problem);
        if (*c.problem) {
            EXPECT_EQ(shorten(Service::IsGd, c.address).outcome, Outcome::InvalidAddress);
        }
    }
    EXPECT_EQ(checkAddress("https://e.com/" + std::string(5000, 'a')), "网址太长（超过 4096 个字符）。");
    EXPECT_EQ(percentEncode("a b/中?&=~._-"), "a%20b%2F%E4%B8%AD%3F%26%3D~._-");
    EXPECT_EQ(requestUrl(Service::IsGd, "http://x.y/?a=1"),
              "https://is.gd/create.php?format=simple&url=http%3A%2F%2Fx.y%2F%3Fa%3D1");
    EXPECT_EQ(requestUrl(Service::TinyUrl, "http://x.y/"),
              "https://tinyurl.com/api-create.php?url=http%3A%2F%2Fx.y%2F");
}
