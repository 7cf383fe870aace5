#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/http/RequestObject.h"
#include "support/servers/TestServer.h"

using qx::platform::RequestObject;
using qx::test::HttpRequestRecord;
using qx::test::HttpResponse;
using qx::test::TestServer;

namespace {

std::string bodyText(const RequestObject& r) {
    return std::string(r.responseBody().begin(), r.responseBody().end());
}

// Header lines other than the ones every request carries.
std::vector<std::string> linesWithoutHost(const HttpRequestRecord& req) {
    std::vector<std::string> out;
    for (const std::string& line : req.headerLines())
        if (line.rfind("Host: ", 0) != 0) out.push_back(line);
    return out;
}

bool get(RequestObject& r, const std::string& url) { return r.open("GET", url) && r.send(); }

using Lines = std::vector<std::string>;

}  // namespace

TEST(RequestObjectWire, SendsOnlyWhatTheCallerSet) {
    TestServer server;
    RequestObject r;
    ASSERT_TRUE(r.created());
    ASSERT_TRUE(r.open("GET", server.url("/echo")));
    EXPECT_TRUE(r.setRequestHeader("X-One", "1"));
    EXPECT_TRUE(r.setRequestHeader("accept-language", "zh-cn"));
    EXPECT_TRUE(r.setRequestHeader("X-One", "again"));
    ASSERT_TRUE(r.send());
    HttpRequestRecord req = server.lastRequest();
    EXPECT_EQ(req.method, "GET");
    EXPECT_EQ(req.target, "/echo");
    EXPECT_EQ(req.version, "HTTP/1.1");
    EXPECT_EQ(req.header("Host"), server.hostPort());
    EXPECT_EQ(linesWithoutHost(req), (Lines{"X-One: 1", "accept-language: zh-cn", "X-One: again"}));
    EXPECT_EQ(r.status(), 200);
    EXPECT_EQ(bodyText(r), req.head);
}

TEST(RequestObjectWire, BodiesAndVerbs) {
    TestServer server;
    RequestObject r;
    // POST: a body with its length, and no Content-Type or Expect the caller did not ask for,
    // even for a large body.
    std::string big(2 << 20, 'x');
    ASSERT_TRUE(r.open("POST", server.url("/echo")));
    ASSERT_TRUE(r.send(big));
    HttpRequestRecord req = server.lastRequest();
    EXPECT_EQ(req.method, "POST");
    EXPECT_EQ(req.body, big);
    EXPECT_EQ(linesWithoutHost(req), (Lines{"Content-Length: " + std::to_string(big.size())}));

    // POST without a body still says so.
    ASSERT_TRUE(r.open("POST", server.url("/echo")) && r.send());
    EXPECT_EQ(server.lastRequest().header("Content-Length"), "0");

    // A byte body goes out byte for byte.
    std::vector<std::uint8_t> bytes = {0, 1, 0xFF, 'a', 0};
    ASSERT_TRUE(r.open("PUT", server.url("/echo")) && r.send(bytes));
    EXPECT_EQ(server.lastRequest().method, "PUT");
    EXPECT_EQ(server.lastRequest().body, std::string("\0\1\xFF"
                                                     "a\0",
                                                     5));

    // GET sends no body even when given one.
    ASSERT_TRUE(r.open("GET", server.url("/echo")) && r.send(std::string_view("ignored")));
    EXPECT_EQ(server.lastRequest().body, "");
    EXPECT_FALSE(server.lastRequest().hasHeader("Content-Length"));

    for (const char* verb : {"DELETE", "OPTIONS", "TRACE"}) {
        ASSERT_TRUE(r.open(verb, server.url("/echo")) && r.send()) << verb;
        EXPECT_EQ(server.lastRequest().method, verb);
    }
    ASSERT_TRUE(r.open("HEAD", server.url("/bytes?n=1000")) && r.send());
    EXPECT_EQ(server.lastRequest().method, "HEAD");
    EXPECT_EQ(r.status(), 200);
    EXPECT_TRUE(r.responseBody().empty());
    EXPECT_EQ(r.getResponseHeader("content-length"), "1000");
}

TEST(RequestObjectWire, HeaderValuesAndNamesThatWouldBreakTheBlockAreRefused) {
    TestServer server;
    RequestObject r;
    EXPECT_FALSE(r.setRequestHeader("X", "before open"));
    ASSERT_TRUE(r.open("GET", server.url("/echo")));
    EXPECT_FALSE(r.setRequestHeader("", "v"));
    EXPECT_FALSE(r.setRequestHeader("Bad Name", "v"));
    EXPECT_FALSE(r.setRequestHeader("X-Inject", "a\r\nEvil: 1"));
    EXPECT_FALSE(r.setRequestHeader("X:Y", "v"));
    EXPECT_TRUE(r.setRequestHeader("Cookie", "a=1"));
    EXPECT_TRUE(r.setRequestHeader("Cookie", ""));  // empty: dropped, nothing sent
    EXPECT_TRUE(r.setRequestHeader("X-Gbk", "\xD6\xD0\xCE\xC4"));
    ASSERT_TRUE(r.send());
    EXPECT_EQ(linesWithoutHost(server.lastRequest()), (Lines{"X-Gbk: \xD6\xD0\xCE\xC4"}));
}

TEST(RequestObjectWire, UrlPathGoesOutAsGivenAndUnsafeBytesAreEscaped) {
    TestServer server;
    RequestObject r;
    ASSERT_TRUE(get(r, server.url("//a//b/../c?x=1&y=%41")));
    EXPECT_EQ(server.lastRequest().target, "//a//b/../c?x=1&y=%41");
    ASSERT_TRUE(get(r, server.url("/echo?q=\xE4\xB8\xAD a")));
    EXPECT_EQ(server.lastRequest().target, "/echo?q=%E4%B8%AD%20a");
}

TEST(RequestObjectWire, ConnectionIsKeptBetweenRequestsOfOneObject) {
    TestServer server;
    RequestObject r;
    ASSERT_TRUE(get(r, server.url("/echo")));
    ASSERT_TRUE(get(r, server.url("/echo")));
    auto seen = server.requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].connectionIndex, seen[1].connectionIndex);
}

TEST(RequestObjectResponse, HeadersStatusAndBodyAsSent) {
    TestServer server;
    server.route("/answer", [](const HttpRequestRecord&, HttpResponse& res) {
        res.status = 404;
        res.reason = "Nothing Here";
        res.add("x-lower", "a");
        res.add("Set-Cookie", "a=1; path=/");
        res.add("Set-Cookie", "b=2");
        res.add("Content-Encoding", "gzip");  // not really gzip: must come back untouched
        res.body = std::string("\x1f\x8b raw", 6);
    });
    RequestObject r;
    ASSERT_TRUE(get(r, server.url("/answer")));
    EXPECT_EQ(r.status(), 404);
    EXPECT_EQ(r.statusText(), "Nothing Here");
    EXPECT_EQ(r.getAllResponseHeaders(),
              "x-lower: a\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nContent-Encoding: gzip\r\n"
              "Content-Length: 6\r\n");
    EXPECT_EQ(r.getResponseHeader("X-LOWER"), "a");
    EXPECT_EQ(r.getResponseHeader("Set-Cookie"), "a=1; path=/");
    EXPECT_EQ(r.getResponseHeader("Missing"), "");
    EXPECT_EQ(bodyText(r), std::string("\x1f\x8b raw", 6));
}

TEST(RequestObjectResponse, ChunkedEmptyAndLargeBodies) {
    TestServer server;
    RequestObject r;
    ASSERT_TRUE(get(r, server.url("/chunked?count=5&size=1000")));
    EXPECT_EQ(bodyText(r), TestServer::patternBytes(0, 5000));
    ASSERT_TRUE(get(r, server.url("/status?code=204")));
    EXPECT_EQ(r.status(), 204);
    EXPECT_TRUE(r.responseBody().empty());
    ASSERT_TRUE(get(r, server.url("/bytes?n=0")));
    EXPECT_TRUE(r.responseBody().empty());
    const std::size_t n = 100u << 20;
    ASSERT_TRUE(get(r, server.url("/bytes?n=" + std::to_string(n))));
    ASSERT_EQ(r.responseBody().size(), n);
    EXPECT_EQ(std::string(r.responseBody().end() - 100, r.responseBody().end()),
              TestServer::patternBytes(n - 100, 100));
}

TEST(RequestObjectResponse, ProgressHearsTheFinalBodyGrow) {
    TestServer server;
    RequestObject r;
    std::vector<std::pair<std::size_t, long long>> heard;
    r.setProgress([&heard](std::size_t received, long long total) { heard.emplace_back(received, total); });
    // The redirect's own body is not the answer's.
    ASSERT_TRUE(get(r, server.url("/redirect?code=302&to=/bytes%3Fn%3D300000")));
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), (std::pair<std::size_t, long long>{300000, 300000}));
    for (std::size_t i = 1; i < heard.size(); ++i) EXPECT_GT(heard[i].first, heard[i - 1].first);
    heard.clear();
    ASSERT_TRUE(get(r, server.url("/bytes?n=5000&chunked=1")));
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), (std::pair<std::size_t, long long>{5000, -1})) << "no length announced";
    r.setProgress({});
    heard.clear();
    ASSERT_TRUE(get(r, server.url("/bytes?n=5000")));
    EXPECT_TRUE(heard.empty());
}

TEST(RequestObjectRedirects, FollowedByDefaultAndReturnedWithOption6Off) {
    TestServer server;
    RequestObject r;
    ASSERT_TRUE(get(r, server.url("/redirect-chain?n=3")));
    EXPECT_EQ(r.status(), 200);
    EXPECT_EQ(bodyText(r), "done");
    EXPECT_EQ(server.requestCount(), 4u);
    EXPECT_EQ(r.getAllResponseHeaders(), "Content-Length: 4\r\n");

    for (int code : {301, 302, 303, 307, 308}) {
        ASSERT_TRUE(get(r, server.url("/redirect?code=" + std::to_string(code) + "&to=/echo"))) << code;
        EXPECT_EQ(r.status(), 200) << code;
        EXPECT_EQ(server.lastRequest().path, "/echo");
    }

    ASSERT_TRUE(r.open("GET", server.url("/redirect?code=302&to=/echo")));
    ASSERT_TRUE(r.setOption(RequestObject::OptionEnableRedirects, 0));
    ASSERT_TRUE(r.send());
    EXPECT_EQ(r.status(), 302);
    EXPECT_EQ(r.statusText(), "Found");
    EXPECT_EQ(r.getResponseHeader("Location"), "/echo");
    EXPECT_EQ(bodyText(r), "redirect");
    EXPECT_EQ(server.lastRequest().path, "/redirect");
    r.setOption(RequestObject::OptionEnableRedirects, 1);

    // A 300 or a 304 is not a redirect to follow.
    ASSERT_TRUE(get(r, server.url("/headers?h=Location:/echo&body=b")));
    server.route("/three-hundred", [](const HttpRequestRecord&, HttpResponse& res) {
        res.status = 300;
        res.add("Location", "/echo");
        res.body = "choices";
    });
    ASSERT_TRUE(get(r, server.url("/three-hundred")));
    EXPECT_EQ(r.status(), 300);
    EXPECT_EQ(bodyText(r), "choices");
}

TEST(RequestObjectRedirects, AbsoluteAcrossServersAndMethodRules) {
    TestServer https(TestServer::Https);
    TestServer http;
    RequestObject r;
    r.setOption(RequestObject::OptionSslErrorIgnoreFlags, 0x3300);
    ASSERT_TRUE(get(r, https.url("/redirect?code=301&to=" + http.url("/echo"))));
    EXPECT_EQ(r.status(), 200);
    EXPECT_EQ(http.requestCount(), 1u);

    // 302 turns a POST into a GET without body; 307 keeps both.
    ASSERT_TRUE(r.open("POST", http.url("/redirect?code=302&to=/echo")) && r.send("form=1"));
    EXPECT_EQ(http.lastRequest().method, "GET");
    EXPECT_EQ(http.lastRequest().body, "");
    ASSERT_TRUE(r.open("POST", http.url("/redirect?code=307&to=/echo")) && r.send("form=1"));
    EXPECT_EQ(http.lastRequest().method, "POST");
    EXPECT_EQ(http.lastRequest().body, "form=1");
    ASSERT_TRUE(r.open("PUT", http.url("/redirect?code=303&to=/echo")) && r.send("x"));
    EXPECT_EQ(http.lastRequest().method, "GET");
}

TEST(RequestObjectRedirects, LoopEndsAfterTenWithTheLastAnswer) {
    TestServer server;
    RequestObject r;
    ASSERT_TRUE(r.open("GET", server.url("/redirect-loop")));
    EXPECT_FALSE(r.send());
    EXPECT_EQ(server.requestCount(), 11u);
    EXPECT_EQ(r.status(), 302);
    EXPECT_TRUE(r.responseBody().empty());
    // Ten in a row are fine.
    ASSERT_TRUE(get(r, server.url("/redirect-chain?n=10")));
    EXPECT_EQ(bodyText(r), "done");
}

TEST(RequestObjectRedirects, CookiesSetOnTheWayAreSentOnward) {
    TestServer server;
    RequestObject r;
    ASSERT_TRUE(get(r, server.url("/headers?h=Set-Cookie:sid%3D42%3B%20path%3D%2F&h=Location:/echo")));
    ASSERT_TRUE(get(r, server.url("/echo")));
    EXPECT_EQ(server.lastRequest().header("Cookie"), "sid=42");
    server.route("/set-and-go", [](const HttpRequestRecord&, HttpResponse& res) {
        res.status = 302;
        res.add("Set-Cookie", "hop=1; path=/");
        res.add("Location", "/echo");
    });
    RequestObject fresh;
    ASSERT_TRUE(get(fresh, server.url("/set-and-go")));
    EXPECT_EQ(server.lastRequest().header("Cookie"), "hop=1");
}

TEST(RequestObjectTls, SelfSignedNeedsOption4) {
    TestServer server(TestServer::Https);
    RequestObject r;
    ASSERT_TRUE(r.open("GET", server.url("/echo")));
    EXPECT_FALSE(r.send());
    EXPECT_EQ(r.status(), 0);
    ASSERT_TRUE(r.open("GET", server.url("/echo")));
    r.setOption(RequestObject::OptionSslErrorIgnoreFlags, 0x3300);
    ASSERT_TRUE(r.send());
    EXPECT_EQ(r.status(), 200);
    EXPECT_TRUE(server.lastRequest().tls);
    // A trusted certificate works without ignoring anything.
    qx::platform::setTrustedCertificates(TestServer::certificatePem());
    RequestObject strict;
    EXPECT_TRUE(get(strict, server.url("/echo")));
    qx::platform::setTrustedCertificates("");
}

TEST(RequestObjectFaults, BadUrlsAndUnreachableHosts) {
    RequestObject r;
    EXPECT_FALSE(r.open("GET", "not a url"));
    EXPECT_FALSE(r.open("GET", "ftp://127.0.0.1/x"));
    EXPECT_FALSE(r.open("GET", "file:///etc/passwd"));
    EXPECT_FALSE(r.open("G ET", "http://127.0.0.1/"));
    EXPECT_FALSE(r.open("GET", "http://127.0.0.1/", true));
    EXPECT_FALSE(r.send());
    EXPECT_FALSE(r.open("GET", "http://[::1/") && r.send());

    int port;
    {
        TestServer gone;
        port = gone.port();
    }
    r.setTimeouts(2000, 2000, 2000, 2000);
    ASSERT_TRUE(r.open("GET", "http://127.0.0.1:" + std::to_string(port) + "/"));
    EXPECT_FALSE(r.send());
    EXPECT_EQ(r.status(), 0);
    EXPECT_EQ(r.getAllResponseHeaders(), "");
    ASSERT_TRUE(r.open("GET", "http://no-such-host.invalid/"));
    EXPECT_FALSE(r.send());
    EXPECT_EQ(r.status(), 0);
}

TEST(RequestObjectFaults, ResetMidBodyAndCloseWithoutAnswer) {
    TestServer server;
    RequestObject r;
    r.setTimeouts(2000, 2000, 2000, 2000);
    ASSERT_TRUE(r.open("GET", server.url("/drop?length=100000&sent=1000")));
    EXPECT_FALSE(r.send());
    EXPECT_EQ(r.status(), 200);  // the head had arrived
    EXPECT_TRUE(r.responseBody().empty());
    ASSERT_TRUE(r.open("GET", server.url("/close")));
    EXPECT_FALSE(r.send());
    EXPECT_EQ(r.status(), 0);
}

TEST(RequestObjectTimeouts, IdleReceiveTimeoutButSteadyAnswersPass) {
    TestServer server;
    RequestObject r;
    EXPECT_EQ(r.timeouts().receiveMs, 30000);  // the object's own
    r.setTimeouts(1000, 1000, 1000, 1000);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(r.open("GET", server.url("/stall?phase=head")));
    EXPECT_FALSE(r.send());
    ASSERT_TRUE(r.open("GET", server.url("/stall?phase=body&length=100&sent=10")));
    EXPECT_FALSE(r.send());
    EXPECT_EQ(r.status(), 200);
    EXPECT_TRUE(r.responseBody().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    // Total time well past the receive time-out, but never a second without a byte.
    ASSERT_TRUE(r.open("GET", server.url("/drip?bytes=8&interval=250")));
    EXPECT_TRUE(r.send());
    EXPECT_EQ(bodyText(r), TestServer::patternBytes(0, 8));
}

TEST(RequestObjectCancel, StopEndsTheTransferAtOnce) {
    TestServer server;
    RequestObject r;
    for (const char* path : {"/stall?phase=head", "/stall?phase=body&length=1000&sent=10"}) {
        std::stop_source source;
        ASSERT_TRUE(r.open("GET", server.url(path)));
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            source.request_stop();
        });
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(r.send(std::string_view(), source.get_token()));
        auto took = std::chrono::steady_clock::now() - start;
        stopper.join();
        EXPECT_LT(took, std::chrono::seconds(2)) << path;
        EXPECT_TRUE(r.responseBody().empty());
    }
    // A token stopped before the call does not even start.
    std::stop_source stopped;
    stopped.request_stop();
    ASSERT_TRUE(r.open("GET", server.url("/echo")));
    EXPECT_FALSE(r.send(std::string_view(), stopped.get_token()));
}

TEST(RequestObjectProxy, NamedProxyGetsAbsoluteRequestsAndEnvironmentIsIgnored) {
    TestServer proxy;
    RequestObject r;
    ASSERT_TRUE(r.setProxy(RequestObject::ProxyNamed, proxy.hostPort()));
    ASSERT_TRUE(r.open("GET", "http://service.invalid/echo?x=1"));
    ASSERT_TRUE(r.setRequestHeader("Proxy-Authorization", "Basic dTpw"));
    ASSERT_TRUE(r.send());
    HttpRequestRecord req = proxy.lastRequest();
    EXPECT_EQ(req.target, "http://service.invalid/echo?x=1");
    EXPECT_EQ(req.header("Host"), "service.invalid");
    EXPECT_EQ(req.header("Proxy-Authorization"), "Basic dTpw");
    EXPECT_FALSE(req.hasHeader("Proxy-Connection"));

    // Proxy variables of the environment are not read.
    TestServer direct;
    ::setenv("http_proxy", ("http://" + proxy.hostPort()).c_str(), 1);
    ::setenv("HTTP_PROXY", ("http://" + proxy.hostPort()).c_str(), 1);
    RequestObject plain;
    EXPECT_TRUE(get(plain, direct.url("/echo")));
    ::unsetenv("http_proxy");
    ::unsetenv("HTTP_PROXY");
    EXPECT_EQ(direct.requestCount(), 1u);
    EXPECT_EQ(proxy.requestCount(), 1u);
}

TEST(RequestObjectConnectTo, EnvironmentSendsFixedHostsToALocalServer) {
    TestServer server;
    TestServer https(TestServer::Https);
    std::string map = "service.example:80:127.0.0.1:" + std::to_string(server.port()) +
                      ", secure.example::127.0.0.1:" + std::to_string(https.port());
    ::setenv("QUORVEX_CONNECT_TO", map.c_str(), 1);
    RequestObject r;
    EXPECT_TRUE(get(r, "http://service.example/echo"));
    EXPECT_EQ(server.lastRequest().header("Host"), "service.example");
    r.setOption(RequestObject::OptionSslErrorIgnoreFlags, 0x3300);
    EXPECT_TRUE(get(r, "https://secure.example/echo"));
    EXPECT_EQ(https.lastRequest().header("Host"), "secure.example");
    ::unsetenv("QUORVEX_CONNECT_TO");
}
