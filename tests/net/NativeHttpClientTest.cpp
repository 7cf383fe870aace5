#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "text/CodePages.h"
#include "net/NativeHttpClient.h"
#include "support/servers/TestServer.h"

using namespace qx;
using namespace qx::net;
using qx::test::HttpRequestRecord;
using qx::test::HttpResponse;
using qx::test::TestServer;
using Lines = std::vector<std::string>;

namespace {

HttpRequestOptions request(const std::string& url) {
    HttpRequestOptions o;
    o.url = url;
    o.timeoutSeconds = 2;
    return o;
}

Lines sentLines(const HttpRequestRecord& req) {
    Lines out;
    for (const std::string& line : req.headerLines())
        if (line.rfind("Host: ", 0) != 0) out.push_back(line);
    return out;
}

const char* const Ua = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";

}  // namespace

TEST(NativeHttpClientPieces, HeaderValueOfAndSettings) {
    EXPECT_EQ(headerValueOf("HTTP/1.1 200 OK\r\nLocation: /x\r\nA: b", "Location"), "/x");
    EXPECT_EQ(headerValueOf("location: /x", "Location"), "");
    EXPECT_EQ(headerValueOf("A: 1\r\nA: 2", "A"), "1");
    EXPECT_EQ(headerValueOf("", "A"), "");

    NativeSessionSettings s = nativeSessionSettings("", true);
    EXPECT_EQ(s.accessType, 1);
    EXPECT_EQ(s.proxyName, "");
    s = nativeSessionSettings("10.0.0.1:8080", false);
    EXPECT_EQ(s.accessType, 3);
    EXPECT_EQ(s.proxyName, "http=10.0.0.1:8080");
    s = nativeSessionSettings("10.0.0.1:8080", true);
    EXPECT_EQ(s.proxyName, "10.0.0.1:8080");
    EXPECT_EQ(nativeTimeoutMs(0), 30000);
    EXPECT_EQ(nativeTimeoutMs(-1), 30000);
    EXPECT_EQ(nativeTimeoutMs(5), 5000);
}

TEST(NativeHttpClientPieces, HeaderBlock) {
    HttpRequestOptions o;
    o.method = 1;
    EXPECT_EQ(nativeHeaderBlock(o),
              Text(Ua) +
                  "\r\nAccept: text/html, application/xhtml+xml, */*\r\nAccept-Encoding: gbk, "
                  "GB2312\r\nAccept-Language: zh-cn\r\nContent-Type: "
                  "application/x-www-form-urlencoded\r\nCache-Control: no-cache");
    // A caller's Cookie line wins over the cookies field; keep-alive goes, other values stay.
    HttpRequestOptions c;
    c.completeHeaders = false;
    c.headers = "cookie: x=1\r\nConnection: keep-alive\r\norigin: o";
    c.cookies = "y=2";
    EXPECT_EQ(nativeHeaderBlock(c), "Cookie: x=1\r\nOrigin: o");
    c.headers = "Connection: close";
    EXPECT_EQ(nativeHeaderBlock(c), "Connection: close\r\nCookie: y=2\r\n");
    c.headers = "A: 1\r\nConnection: keep-alive";
    c.cookies = "Cookie: y=2";
    EXPECT_EQ(nativeHeaderBlock(c), "A: 1\r\nCookie: y=2\r\n");
    // The caller's text itself is left alone.
    EXPECT_EQ(c.headers, "A: 1\r\nConnection: keep-alive");
}

TEST(NativeHttpClientPieces, DeclaredCharset) {
    EXPECT_EQ(declaredCharset("<html><meta charset=\"utf-8\">"), "utf-8");
    EXPECT_EQ(declaredCharset("<META http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">"),
              "big5");
    EXPECT_EQ(declaredCharset("<p>no meta</p>"), "");
    EXPECT_EQ(declaredCharset(std::string(1100, ' ') + "<meta charset=utf-8>"), "");
}

TEST(NativeHttpClientWire, DefaultsCookiesAndAnswerFields) {
    TestServer server;
    server.route("/page", [](const HttpRequestRecord&, HttpResponse& res) {
        res.add("Set-Cookie", "b=3; path=/");
        res.add("Set-Cookie", "c=4");
        res.body = "hello";
    });
    HttpRequestOptions o = request(server.url("/page?x=1"));
    o.cookies = "a=1; b=2";
    o.responseHeaders = "stale";
    EXPECT_EQ(nativeHttpRequest(o), "hello");
    HttpRequestRecord req = server.lastRequest();
    EXPECT_EQ(req.method, "GET");
    EXPECT_EQ(req.target, "/page?x=1");
    EXPECT_EQ(req.version, "HTTP/1.1");
    EXPECT_EQ(sentLines(req),
              (Lines{Ua, "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
                     "Accept-Language: zh-cn", "Cache-Control: no-cache", "Cookie: a=1; b=2"}));
    EXPECT_EQ(o.statusText, "200 OK");
    EXPECT_EQ(o.responseHeaders,
              "HTTP/1.1 200 OK\r\nSet-Cookie: b=3; path=/\r\nSet-Cookie: c=4\r\nContent-Length: 5\r\n\r\n");
    EXPECT_EQ(o.responseCookies, "b=3; c=4; a=1");
    EXPECT_EQ(*o.cookies, "b=3; c=4; a=1");
    EXPECT_EQ(toText(o.responseBytes), "hello");
    EXPECT_EQ(o.headers, "");

    // A POST sends the body bytes as they are (GBK), with the form type; credentials go out.
    HttpRequestOptions p = request(server.url("/echo"));
    p.method = 1;
    p.body = gbk(u8"中");
    p.serverUser = "u";
    p.serverPassword = "p";
    nativeHttpRequest(p);
    EXPECT_EQ(server.lastRequest().body, gbk(u8"中"));
    EXPECT_EQ(server.lastRequest().header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(server.lastRequest().header("Authorization"), "Basic dTpw");
}

TEST(NativeHttpClientWire, ProxyAndTls) {
    TestServer proxy;
    HttpRequestOptions o = request("http://far.invalid/echo");
    o.proxy = proxy.hostPort();
    o.proxyUser = "pu";
    o.proxyPassword = "pp";
    EXPECT_FALSE(nativeHttpRequest(o).empty());
    EXPECT_EQ(proxy.lastRequest().target, "http://far.invalid/echo");
    EXPECT_EQ(proxy.lastRequest().header("Proxy-Authorization"), "Basic cHU6cHA=");

    TestServer https(TestServer::Https);
    HttpRequestOptions s = request(https.url("/status?body=secure"));
    EXPECT_EQ(nativeHttpRequest(s), "secure");
    EXPECT_TRUE(https.lastRequest().tls);
}

TEST(NativeHttpClientWire, RedirectsAndLocation) {
    TestServer server;
    HttpRequestOptions n = request(server.url("/redirect?code=302&to=/target"));
    n.noRedirect = true;
    EXPECT_EQ(nativeHttpRequest(n), "redirect");
    EXPECT_EQ(n.statusText, "302 Found");
    EXPECT_EQ(n.location, "/target");
    HttpRequestOptions f = request(server.url("/redirect?code=301&to=/status%3Fbody%3Dthere"));
    f.location = "unchanged";
    EXPECT_EQ(nativeHttpRequest(f), "there");
    EXPECT_EQ(f.statusText, "200 OK");
    EXPECT_EQ(f.location, "unchanged");
}

TEST(NativeHttpClientWire, PagesInOtherCharsetsAreDecoded) {
    TestServer server;
    const std::string utf8Page =
        "<html><head><meta charset=\"utf-8\"></head><body>\xE4\xB8\xAD\xE6\x96\x87</body>";
    const std::string gbkPage = "<meta charset=gbk>" + gbk(u8"中文");
    const std::string latePage = std::string(1100, ' ') + "<meta charset=utf-8>\xE4\xB8\xAD";
    const std::string bogusPage = "<meta charset=no-such-charset>\xE4\xB8\xAD";
    server.route("/utf8", [&](const HttpRequestRecord&, HttpResponse& res) { res.body = utf8Page; });
    server.route("/gbk", [&](const HttpRequestRecord&, HttpResponse& res) { res.body = gbkPage; });
    server.route("/late", [&](const HttpRequestRecord&, HttpResponse& res) { res.body = latePage; });
    server.route("/bogus", [&](const HttpRequestRecord&, HttpResponse& res) { res.body = bogusPage; });
    HttpRequestOptions a = request(server.url("/utf8"));
    EXPECT_EQ(nativeHttpRequest(a), gbk(u8"<html><head><meta charset=\"utf-8\"></head><body>中文</body>"));
    EXPECT_EQ(toText(a.responseBytes), utf8Page);
    HttpRequestOptions b = request(server.url("/gbk"));
    EXPECT_EQ(nativeHttpRequest(b), gbkPage);
    HttpRequestOptions c = request(server.url("/late"));
    EXPECT_EQ(nativeHttpRequest(c), latePage);
    HttpRequestOptions d = request(server.url("/bogus"));
    EXPECT_EQ(nativeHttpRequest(d), bogusPage);
}

TEST(NativeHttpClientFaults, EachFailureHasItsMessage) {
    TestServer server;
    int port;
    {
        TestServer gone;
        port = gone.port();
    }
    struct Case {
        std::string url;
        std::u8string message;
        bool noNormalise = false;
    };
    const Case cases[] = {
        {"ftp://127.0.0.1/", u8"701 解析URL地址失败!"},
        {"no url at all", u8"701 解析URL地址失败!"},
        {"http://127.0.0.1:99999/", u8"701 解析URL地址失败!"},
        {"http://:80/", u8"703 创建WinHttp连接失败!"},
        {"http://bad host/", u8"703 创建WinHttp连接失败!"},
        {"http://127.0.0.1:" + std::to_string(port) + "/", u8"711 发送请求失败!"},
        {"http://no-such-host.invalid/", u8"711 发送请求失败!"},
        {server.url("/close"), u8"712 服务器未响应!"},
        {server.url("/stall?phase=head"), u8"712 服务器未响应!"},
        {server.url("/redirect-loop"), u8"712 服务器未响应!"},
        {server.url("/drop?length=50000&sent=100"), u8"713 读取数据失败!"},
        {server.url("/stall?phase=body&length=100&sent=10"), u8"713 读取数据失败!"},
        {server.url("/echo"), u8"710 设置协议头失败!", true},
    };
    for (const Case& c : cases) {
        HttpRequestOptions o = request(c.url);
        o.timeoutSeconds = 1;
        o.responseHeaders = "kept";
        o.responseCookies = "kept";
        o.location = "kept";
        if (c.noNormalise) {
            o.normalizeHeaders = false;
            o.headers = "a line without colon";
        }
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(nativeHttpRequest(o), "") << c.url;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.url;
        EXPECT_EQ(o.statusText, gbk(c.message)) << c.url;
        EXPECT_EQ(o.responseHeaders, "kept") << c.url;
        EXPECT_EQ(o.responseCookies, "kept") << c.url;
        EXPECT_EQ(o.location, "kept") << c.url;
    }
}

TEST(NativeHttpClientWire, ConnectToOverrideAndCookiesRoute) {
    TestServer server;
    ::setenv("QUORVEX_CONNECT_TO", ("svc.example::127.0.0.1:" + std::to_string(server.port())).c_str(), 1);
    HttpRequestOptions o = request("http://svc.example/cookies?set=sid%3D9%3B%20path%3D%2F");
    o.cookies = "a=1";
    EXPECT_EQ(nativeHttpRequest(o), "a=1");
    ::unsetenv("QUORVEX_CONNECT_TO");
    EXPECT_EQ(server.lastRequest().header("Host"), "svc.example");
    EXPECT_EQ(o.responseCookies, "sid=9; a=1");
}
