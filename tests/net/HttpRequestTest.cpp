#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "text/CodePages.h"
#include "text/Strings.h"
#include "net/HeaderText.h"
#include "net/HttpRequest.h"
#include "platform/http/RequestObject.h"
#include "support/servers/TestServer.h"

using namespace qx;
using namespace qx::net;
using qx::test::HttpRequestRecord;
using qx::test::HttpResponse;
using qx::test::TestServer;
using Lines = std::vector<std::string>;

namespace {

const char* const Msie9 = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The header lines the server saw, without Host.
Lines sentLines(const HttpRequestRecord& req) {
    Lines out;
    for (const std::string& line : req.headerLines())
        if (line.rfind("Host: ", 0) != 0) out.push_back(line);
    return out;
}

HttpRequestOptions request(const std::string& url) {
    HttpRequestOptions o;
    o.url = url;
    return o;
}

}  // namespace

TEST(HttpObjectRequestWire, DefaultHeadersForAPost) {
    TestServer server;
    HttpRequestOptions o = request(server.url("/echo"));
    o.method = 1;
    ByteArray body = httpObjectRequest(o);
    HttpRequestRecord req = server.lastRequest();
    EXPECT_EQ(req.method, "POST");
    EXPECT_EQ(sentLines(req),
              (Lines{"Accept: */*", "Referer: " + o.url, "Accept-Language: zh-cn", Msie9,
                     "Content-Type: application/x-www-form-urlencoded", "Content-Length: 0"}));
    EXPECT_EQ(o.headers, "Accept: */*\r\nReferer: " + o.url + "\r\nAccept-Language: zh-cn\r\n" + Msie9 +
                             "\r\nContent-Type: application/x-www-form-urlencoded");
    EXPECT_EQ(toText(body), req.head);
    EXPECT_EQ(o.statusCode, 200);

    // Without normalising the block keeps its leading empty line; a GET gets no Content-Type.
    HttpRequestOptions g = request(server.url("/echo"));
    g.normalizeHeaders = false;
    httpObjectRequest(g);
    EXPECT_EQ(g.headers, "\r\nAccept: */*\r\nReferer: " + g.url + "\r\nAccept-Language: zh-cn\r\n" + Msie9);
    EXPECT_EQ(sentLines(server.lastRequest()),
              (Lines{"Accept: */*", "Referer: " + g.url, "Accept-Language: zh-cn", Msie9}));

    // No completion at all: nothing but what the caller wrote.
    HttpRequestOptions bare = request(server.url("/echo"));
    bare.completeHeaders = false;
    bare.headers = "x-one: 1";
    httpObjectRequest(bare);
    EXPECT_EQ(sentLines(server.lastRequest()), (Lines{"X-One: 1"}));
}

TEST(HttpObjectRequestWire, MethodTableIsClamped) {
    TestServer server;
    for (int m : {9, -1, 8}) {
        HttpRequestOptions o = request(server.url("/echo"));
        o.method = m;
        httpObjectRequest(o);
        EXPECT_EQ(server.lastRequest().method, "GET") << m;
        EXPECT_FALSE(contains(o.headers, "Content-Type")) << m;
    }
    const char* verbs[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE"};
    for (int m = 0; m < 7; ++m) {
        HttpRequestOptions o = request(server.url("/echo"));
        o.method = m;
        httpObjectRequest(o);
        EXPECT_EQ(server.lastRequest().method, verbs[m]);
    }
    EXPECT_STREQ(httpMethodName(7), "CONNECT");
}

TEST(HttpObjectRequestWire, CallerHeadersProbesAndNormalising) {
    TestServer server;
    HttpRequestOptions o = request(server.url("/echo"));
    o.headers =
        "user-agent: X\r\ncontent-type: text/plain\r\nconnection: keep-alive\r\nConnection: close\r\n"
        "line without colon\r\nX-CSRF-token: t";
    o.method = 1;
    httpObjectRequest(o);
    EXPECT_EQ(sentLines(server.lastRequest()),
              (Lines{"User-Agent: X", "Content-Type: text/plain", "Connection: close", "X-CSRF-Token: t",
                     "Accept: */*", "Referer: " + o.url, "Accept-Language: zh-cn", "Content-Length: 0"}));

    // Without normalising, the lower-case keep-alive line is not recognised and goes out.
    HttpRequestOptions raw = request(server.url("/echo"));
    raw.normalizeHeaders = false;
    raw.completeHeaders = false;
    raw.headers = "connection: keep-alive\r\nConnection: keep-alive\r\nline without colon\r\n";
    httpObjectRequest(raw);
    EXPECT_EQ(sentLines(server.lastRequest()), (Lines{"connection: keep-alive"}));

    // A single line is set as it is, without the keep-alive check.
    HttpRequestOptions single = request(server.url("/echo"));
    single.completeHeaders = false;
    single.headers = "Connection: keep-alive";
    httpObjectRequest(single);
    EXPECT_EQ(sentLines(server.lastRequest()), (Lines{"Connection: keep-alive"}));
}

TEST(HttpObjectRequestWire, CookiesAndProxyCredentials) {
    TestServer proxy;
    HttpRequestOptions o = request("http://fixed-host.invalid/echo");
    o.proxy = proxy.hostPort();
    o.proxyUser = "user";
    o.proxyPassword = "pass";
    o.cookies = "Cookie: a=1";
    o.autoMergeCookies = false;
    o.completeHeaders = false;
    o.headers = "X-A: 1";
    httpObjectRequest(o);
    HttpRequestRecord req = proxy.lastRequest();
    EXPECT_EQ(req.target, "http://fixed-host.invalid/echo");
    EXPECT_EQ(sentLines(req), (Lines{"Proxy-Authorization: Basic dXNlcjpwYXNz", "Cookie:  a=1", "X-A: 1"}));
    EXPECT_EQ(*o.cookies, " a=1");

    // Other modes send no credentials; no proxy, no credentials either.
    HttpRequestOptions mode2 = request("http://fixed-host.invalid/echo");
    mode2.proxy = proxy.hostPort();
    mode2.proxyUser = "user";
    mode2.proxyAuthMode = 2;
    httpObjectRequest(mode2);
    EXPECT_FALSE(proxy.lastRequest().hasHeader("Proxy-Authorization"));
    EXPECT_FALSE(proxy.lastRequest().hasHeader("Cookie"));  // cookies not given
    TestServer direct;
    HttpRequestOptions noProxy = request(direct.url("/echo"));
    noProxy.proxyUser = "user";
    noProxy.cookies = "";  // given but empty: nothing goes out
    httpObjectRequest(noProxy);
    EXPECT_FALSE(direct.lastRequest().hasHeader("Proxy-Authorization"));
    EXPECT_FALSE(direct.lastRequest().hasHeader("Cookie"));
    EXPECT_EQ(*noProxy.cookies, "");
}

TEST(HttpObjectRequestCookies, CollectedFromSetCookieAndMerged) {
    TestServer server;
    server.route("/set", [](const HttpRequestRecord&, HttpResponse& res) {
        res.add("Set-Cookie", "a=1; path=/");
        res.add("Set-Cookie", "b=2");
        res.add("set-cookie", "lower=1");
        res.add("Set-Cookie", "gone=deleted; path=/");
    });
    HttpRequestOptions o = request(server.url("/set"));
    httpObjectRequest(o);
    EXPECT_EQ(o.responseCookies, "a=1; b=2; gone=deleted");
    EXPECT_FALSE(o.cookies.has_value());

    HttpRequestOptions m = request(server.url("/set"));
    m.cookies = "Cookie: gone=1; keep=1; b=old";
    httpObjectRequest(m);
    EXPECT_EQ(server.lastRequest().header("Cookie"), "gone=1; keep=1; b=old");
    EXPECT_EQ(m.responseCookies, "a=1; b=2; keep=1");
    EXPECT_EQ(*m.cookies, "a=1; b=2; keep=1");

    HttpRequestOptions n = request(server.url("/set"));
    n.cookies = "keep=1";
    n.autoMergeCookies = false;
    httpObjectRequest(n);
    EXPECT_EQ(n.responseCookies, "a=1; b=2; gone=deleted");
    EXPECT_EQ(*n.cookies, "keep=1");

    HttpRequestOptions none = request(server.url("/echo"));
    none.responseCookies = "stale";
    httpObjectRequest(none);
    EXPECT_EQ(none.responseCookies, "");
}

TEST(HttpObjectRequestTimeouts, AppliedToTheObject) {
    TestServer server;
    platform::RequestObject shared;
    shared.setTimeouts(1111, 2222, 3333, 4444);
    HttpRequestOptions keep = request(server.url("/echo"));
    keep.sharedObject = &shared;
    keep.timeoutSeconds = -1;
    httpObjectRequest(keep);
    EXPECT_EQ(shared.timeouts().receiveMs, 4444);
    EXPECT_EQ(shared.timeouts().resolveMs, 1111);
    for (auto [seconds, ms] : {std::pair{0, 15000}, {-5, 15000}, {2, 2000}}) {
        HttpRequestOptions o = request(server.url("/echo"));
        o.sharedObject = &shared;
        o.timeoutSeconds = seconds;
        httpObjectRequest(o);
        auto t = shared.timeouts();
        EXPECT_EQ(t.resolveMs, ms);
        EXPECT_EQ(t.connectMs, ms);
        EXPECT_EQ(t.sendMs, ms);
        EXPECT_EQ(t.receiveMs, ms);
    }
    // The shared object keeps its connection.
    auto seen = server.requests();
    EXPECT_EQ(seen.front().connectionIndex, seen.back().connectionIndex);

    // A stalled server: the request gives up after timeoutSeconds, with an empty body.
    HttpRequestOptions stall = request(server.url("/stall?phase=body&length=100&sent=10"));
    stall.timeoutSeconds = 1;
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(httpObjectRequest(stall).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(stall.statusCode, 200);
}

TEST(HttpObjectRequestBodies, TextGoesOutAsUtf8AndBytesAsTheyAre) {
    TestServer server;
    HttpRequestOptions o = request(server.url("/echo"));
    o.method = 1;
    o.body = gbk(u8"名=中文");
    httpObjectRequest(o);
    EXPECT_EQ(server.lastRequest().body, "\xE5\x90\x8D=\xE4\xB8\xAD\xE6\x96\x87");

    HttpRequestOptions b = request(server.url("/echo"));
    b.method = 1;
    b.body = "ignored";
    b.bodyBytes = {0xD6, 0xD0, 0x00, 0x01};
    httpObjectRequest(b);
    EXPECT_EQ(server.lastRequest().body, std::string("\xD6\xD0\x00\x01", 4));

    HttpRequestOptions u = request(server.url("/echo?q=") + gbk(u8"中"));
    httpObjectRequest(u);
    EXPECT_EQ(server.lastRequest().target, "/echo?q=%E4%B8%AD");

    const std::size_t n = 100u << 20;
    HttpRequestOptions big = request(server.url("/bytes?n=" + std::to_string(n)));
    ByteArray body = httpObjectRequest(big);
    EXPECT_EQ(body.size(), n);
    HttpRequestOptions empty = request(server.url("/bytes?n=0"));
    EXPECT_TRUE(httpObjectRequest(empty).empty());
    EXPECT_EQ(empty.statusCode, 200);
}

TEST(HttpObjectRequestRedirects, FollowedUnlessNoRedirect) {
    TestServer server(TestServer::Https);  // self-signed: certificate errors are ignored
    HttpRequestOptions o = request(server.url("/redirect?code=302&to=/status%3Fbody%3Dfinal"));
    EXPECT_EQ(toText(httpObjectRequest(o)), "final");
    EXPECT_EQ(o.statusCode, 200);
    HttpRequestOptions n = request(server.url("/redirect?code=302&to=/status%3Fbody%3Dfinal"));
    n.noRedirect = true;
    EXPECT_EQ(toText(httpObjectRequest(n)), "redirect");
    EXPECT_EQ(n.statusCode, 302);
    EXPECT_TRUE(contains(n.responseHeaders, "Location: /status?body=final\r\n"));
    EXPECT_EQ(textBetween(n.responseHeaders, "Location: ", "\r\n"), "/status?body=final");
}

TEST(HttpObjectRequestFaults, NoCrashNoHangAndNothingMadeUp) {
    int port;
    {
        TestServer gone;
        port = gone.port();
    }
    HttpRequestOptions refused = request("http://127.0.0.1:" + std::to_string(port) + "/");
    refused.timeoutSeconds = 2;
    refused.responseHeaders = "stale";
    refused.statusCode = 7;
    EXPECT_TRUE(httpObjectRequest(refused).empty());
    EXPECT_EQ(refused.responseHeaders, "");
    EXPECT_EQ(refused.statusCode, 0);

    for (const char* url : {"", "not a url", "ftp://127.0.0.1/", "http://", "http://no-such-host.invalid/"}) {
        HttpRequestOptions o = request(url);
        o.timeoutSeconds = 2;
        o.cookies = "a=1";
        EXPECT_TRUE(httpObjectRequest(o).empty()) << url;
        EXPECT_EQ(o.statusCode, 0) << url;
        EXPECT_EQ(o.responseCookies, "a=1") << url;  // merged with nothing new
    }

    EXPECT_FALSE(refused.completed);

    TestServer server;
    HttpRequestOptions drop = request(server.url("/drop?length=100000&sent=500"));
    EXPECT_TRUE(httpObjectRequest(drop).empty());
    // An answer cut short is no answer, though its head came.
    EXPECT_EQ(drop.statusCode, 200);
    EXPECT_FALSE(drop.completed);
    HttpRequestOptions loop = request(server.url("/redirect-loop"));
    EXPECT_TRUE(httpObjectRequest(loop).empty());
    EXPECT_EQ(loop.statusCode, 302);
    EXPECT_FALSE(loop.completed);
    // An empty answer that arrived whole is complete.
    HttpRequestOptions empty = request(server.url("/status?code=204"));
    EXPECT_TRUE(httpObjectRequest(empty).empty());
    EXPECT_TRUE(empty.completed);

    std::stop_source stop;
    HttpRequestOptions stalled = request(server.url("/stall?phase=head"));
    stalled.stop = stop.get_token();
    std::thread t([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        stop.request_stop();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(httpObjectRequest(stalled).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    t.join();
}
