#include <gtest/gtest.h>

#include "platform/http/NativeHttp.h"
#include "support/servers/TestServer.h"

using qx::platform::CrackedUrl;
using qx::platform::NativeHttp;
using qx::test::TestServer;

namespace {

// Runs the steps up to sending, as the native client does.
bool prepare(NativeHttp& h, const std::string& url, const std::string& verb = "GET",
             const std::string& proxy = "") {
    CrackedUrl u;
    if (!qx::platform::crackUrl(url, u)) return false;
    return h.openSession(proxy.empty() ? NativeHttp::AccessNoProxy : NativeHttp::AccessNamedProxy, proxy) &&
           h.setTimeouts(2000, 2000, 2000, 2000) && h.connect(u.host, u.port) &&
           h.openRequest(verb, (u.path.empty() ? "/" : u.path) + u.extra, u.https) &&
           h.setSecurityFlags(0x3300);
}

}  // namespace

TEST(NativeHttpUrl, Crack) {
    CrackedUrl u;
    ASSERT_TRUE(qx::platform::crackUrl("https://user:pw@Example.com:8443/a/b?x=1#f", u));
    EXPECT_TRUE(u.https);
    EXPECT_EQ(u.host, "Example.com");
    EXPECT_EQ(u.port, 8443);
    EXPECT_EQ(u.path, "/a/b");
    EXPECT_EQ(u.extra, "?x=1#f");
    ASSERT_TRUE(qx::platform::crackUrl("HTTP://h", u));
    EXPECT_FALSE(u.https);
    EXPECT_EQ(u.port, 80);
    EXPECT_EQ(u.path, "");
    EXPECT_EQ(u.extra, "");
    ASSERT_TRUE(qx::platform::crackUrl("http://[::1]:81?q", u));
    EXPECT_EQ(u.host, "[::1]");
    EXPECT_EQ(u.port, 81);
    EXPECT_EQ(u.extra, "?q");
    EXPECT_FALSE(qx::platform::crackUrl("ftp://h/", u));
    EXPECT_FALSE(qx::platform::crackUrl("h/x", u));
    EXPECT_FALSE(qx::platform::crackUrl("http://h:port/", u));
    EXPECT_FALSE(qx::platform::crackUrl("http://h:70000/", u));
    // An empty host cracks; the connection step refuses it.
    ASSERT_TRUE(qx::platform::crackUrl("http://:80/", u));
    NativeHttp h;
    ASSERT_TRUE(h.openSession(NativeHttp::AccessNoProxy, ""));
    EXPECT_FALSE(h.connect(u.host, u.port));
    EXPECT_FALSE(h.connect("bad host", 80));
    EXPECT_TRUE(qx::platform::nativeHttpAvailable());
}

TEST(NativeHttpSteps, OutOfOrderCallsFail) {
    NativeHttp h;
    EXPECT_FALSE(h.connect("127.0.0.1", 80));
    EXPECT_FALSE(h.openRequest("GET", "/", false));
    EXPECT_FALSE(h.addRequestHeaders("A: b"));
    EXPECT_FALSE(h.sendRequest({}));
    EXPECT_FALSE(h.receiveResponse());
    EXPECT_FALSE(h.openSession(NativeHttp::AccessNamedProxy, ""));
}

TEST(NativeHttpSteps, HeadersGoOutAsGivenAndRawHeadersComeBack) {
    TestServer server;
    NativeHttp h;
    ASSERT_TRUE(prepare(h, server.url("/headers?h=Set-Cookie:a%3D1&body=hello")));
    EXPECT_FALSE(h.addRequestHeaders("no colon here\r\n"));
    ASSERT_TRUE(h.addRequestHeaders("User-Agent: U\r\norigin: https://x\r\nX-Empty:\r\n"));
    ASSERT_TRUE(h.sendRequest({}));
    ASSERT_TRUE(h.receiveResponse());
    std::vector<std::uint8_t> body;
    ASSERT_TRUE(h.readData(body));
    EXPECT_EQ(std::string(body.begin(), body.end()), "hello");
    EXPECT_EQ(h.rawHeaders(), "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nContent-Length: 5\r\n\r\n");
    auto lines = server.lastRequest().headerLines();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"User-Agent: U", "origin: https://x", "X-Empty:"}));
}

TEST(NativeHttpSteps, CredentialsAndProxySelection) {
    TestServer server;
    NativeHttp h;
    ASSERT_TRUE(prepare(h, server.url("/echo")));
    ASSERT_TRUE(h.setCredentials(NativeHttp::TargetServer, NativeHttp::SchemeBasic, "user", "pass"));
    EXPECT_FALSE(h.setCredentials(NativeHttp::TargetServer, 2, "user", "pass"));
    ASSERT_TRUE(h.sendRequest({}));
    EXPECT_EQ(server.lastRequest().header("Authorization"), "Basic dXNlcjpwYXNz");

    // "http=" names a proxy for http addresses only.
    NativeHttp p;
    ASSERT_TRUE(prepare(p, "http://target.invalid/echo", "GET", "http=" + server.hostPort()));
    ASSERT_TRUE(p.setCredentials(NativeHttp::TargetProxy, NativeHttp::SchemeBasic, "pu", "pp"));
    ASSERT_TRUE(p.sendRequest({}));
    EXPECT_EQ(p.proxyUsed(), "http://" + server.hostPort());
    EXPECT_EQ(server.lastRequest().target, "http://target.invalid/echo");
    EXPECT_EQ(server.lastRequest().header("Proxy-Authorization"), "Basic cHU6cHA=");
    NativeHttp q;
    ASSERT_TRUE(prepare(q, "https://127.0.0.1:1/", "GET", "http=" + server.hostPort()));
    q.sendRequest({});
    EXPECT_EQ(q.proxyUsed(), "");
}

TEST(NativeHttpSteps, FailuresReportTheirStep) {
    TestServer server;
    int port;
    {
        TestServer gone;
        port = gone.port();
    }
    {  // nothing listens: the send step fails
        NativeHttp h;
        ASSERT_TRUE(prepare(h, "http://127.0.0.1:" + std::to_string(port) + "/"));
        EXPECT_FALSE(h.sendRequest({}));
        EXPECT_FALSE(h.receiveResponse());
    }
    {  // sent, but the server hung up without an answer
        NativeHttp h;
        ASSERT_TRUE(prepare(h, server.url("/close")));
        EXPECT_TRUE(h.sendRequest({}));
        EXPECT_FALSE(h.receiveResponse());
        EXPECT_EQ(h.rawHeaders(), "");
    }
    {  // the answer's head never comes
        NativeHttp h;
        ASSERT_TRUE(prepare(h, server.url("/stall?phase=head")));
        ASSERT_TRUE(h.setTimeouts(1000, 1000, 1000, 1000));
        EXPECT_TRUE(h.sendRequest({}));
        EXPECT_FALSE(h.receiveResponse());
    }
    {  // the body breaks off
        NativeHttp h;
        ASSERT_TRUE(prepare(h, server.url("/drop?length=9000&sent=100")));
        EXPECT_TRUE(h.sendRequest({}));
        EXPECT_TRUE(h.receiveResponse());
        std::vector<std::uint8_t> body;
        EXPECT_FALSE(h.readData(body));
    }
    {  // a redirect loop fails while receiving
        NativeHttp h;
        ASSERT_TRUE(prepare(h, server.url("/redirect-loop")));
        EXPECT_TRUE(h.sendRequest({}));
        EXPECT_FALSE(h.receiveResponse());
    }
    {  // redirects off: the 302 itself
        NativeHttp h;
        ASSERT_TRUE(prepare(h, server.url("/redirect?to=/echo")));
        ASSERT_TRUE(h.setRedirectsEnabled(false));
        ASSERT_TRUE(h.sendRequest({}));
        ASSERT_TRUE(h.receiveResponse());
        EXPECT_EQ(h.rawHeaders().substr(0, 22), "HTTP/1.1 302 Found\r\nLo");
    }
}
