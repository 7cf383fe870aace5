#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/http/Internet.h"
#include "platform/http/RequestObject.h"
#include "support/servers/TestServer.h"

using namespace qx::platform;
using qx::test::HttpRequestRecord;
using qx::test::TestServer;

namespace {

std::string text(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class TempDir {
  public:
    TempDir() {
        path_ = std::filesystem::temp_directory_path() /
                ("qx-http-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

struct Call {
    int total, downloaded, elapsed, thisCall, zero;
};

}  // namespace

TEST(PlainGet, SpeaksHttp10WithItsAgentAndReturnsAnyBody) {
    TestServer server;
    std::vector<std::uint8_t> body = httpGetBytes(server.url("/echo?a=1"));
    HttpRequestRecord req = server.lastRequest();
    EXPECT_EQ(req.version, "HTTP/1.0");
    EXPECT_EQ(req.method, "GET");
    EXPECT_EQ(req.target, "/echo?a=1");
    EXPECT_EQ(req.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(req.header("Accept"), "*/*");
    EXPECT_EQ(req.headerCount("Accept"), 1);
    EXPECT_EQ(text(body), req.head);

    EXPECT_EQ(text(httpGetBytes(server.url("/status?code=404&body=missing"))), "missing");
    EXPECT_EQ(text(httpGetBytes(server.url("/redirect?to=/status%3Fbody%3Dthere"))), "there");
    EXPECT_EQ(text(httpGetBytes(server.url("/bytes?n=300000&chunked=1"))),
              TestServer::patternBytes(0, 300000));
    EXPECT_EQ(text(httpGetBytes(server.url("/bytes?n=250000"))), TestServer::patternBytes(0, 250000));
}

TEST(PlainGet, ReadSizeFollowsContentLength) {
    EXPECT_EQ(plainGetChunkSize(-1), 10240);
    EXPECT_EQ(plainGetChunkSize(0), 10240);
    EXPECT_EQ(plainGetChunkSize(500), 501);
    EXPECT_EQ(plainGetChunkSize(102399), 102400);
    EXPECT_EQ(plainGetChunkSize(5000000), 102400);
}

TEST(PlainGet, FailuresGiveNothing) {
    TestServer server;
    EXPECT_TRUE(httpGetBytes("").empty());
    EXPECT_TRUE(httpGetBytes("ftp://127.0.0.1/").empty());
    EXPECT_TRUE(httpGetBytes(server.url("/drop?length=5000&sent=100")).empty());
    EXPECT_TRUE(httpGetBytes(server.url("/close")).empty());
    // Certificates are checked here: the self-signed server is refused unless trusted.
    TestServer https(TestServer::Https);
    EXPECT_TRUE(httpGetBytes(https.url("/echo")).empty());
    setTrustedCertificates(TestServer::certificatePem());
    EXPECT_FALSE(httpGetBytes(https.url("/echo")).empty());
    setTrustedCertificates("");
    std::stop_source stop;
    std::thread t([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        stop.request_stop();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(httpGetBytes(server.url("/stall?phase=head"), stop.get_token()).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    t.join();
}

// The limits of a document fetch: a whole-request deadline that a steady trickle cannot dodge,
// a body cap, and the extra CA file that tests trust besides the system's store.
TEST(PlainGet, DeadlineCapAndExtraCertificates) {
    TestServer server;
    auto start = std::chrono::steady_clock::now();
    TransferLimits shortDeadline {std::chrono::milliseconds(700), 0};
    EXPECT_TRUE(httpGetBytes(server.url("/drip?bytes=100&interval=100"), {}, shortDeadline).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(httpGetBytes(server.url("/bytes?n=1000"), {}, {std::chrono::milliseconds(0), 1000}).size(), 1000u);
    EXPECT_TRUE(httpGetBytes(server.url("/bytes?n=1001"), {}, {std::chrono::milliseconds(0), 1000}).empty());
    EXPECT_TRUE(httpGetBytes(server.url("/bytes?n=300000&chunked=1"), {}, {std::chrono::milliseconds(0), 65536}).empty());

    TestServer https(TestServer::Https);
    setenv("QUORVEX_EXTRA_CA_FILE", TestServer::certificateFile().c_str(), 1);
    EXPECT_FALSE(httpGetBytes(https.url("/echo")).empty());
    TestServer rogue(TestServer::HttpsUnknownCa);
    EXPECT_TRUE(httpGetBytes(rogue.url("/echo")).empty());
    unsetenv("QUORVEX_EXTRA_CA_FILE");
    EXPECT_TRUE(httpGetBytes(https.url("/echo")).empty());
}

TEST(Download, HeaderBlock) {
    EXPECT_EQ(downloadHeaderBlock(0, false),
              "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
              "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)");
    EXPECT_EQ(downloadHeaderBlock(123, true), downloadHeaderBlock(0, false) + "\r\nRange:bytes=123-");
}

TEST(Download, WholeFileWithCallbackAfterEveryChunk) {
    TestServer server;
    const std::string content = TestServer::patternBytes(0, 100000);
    server.serveFile("f.bin", content);
    TempDir dir;
    std::string path = dir.file("out.bin");
    { std::ofstream(path) << "old content that must go"; }
    std::vector<Call> calls;
    int rc = downloadToFile(
        server.url("/file/f.bin"), path,
        [&](int a, int b, int c, int d, int e) {
            calls.push_back({a, b, c, d, e});
        },
        0, false);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(readAll(path), content);
    HttpRequestRecord req = server.lastRequest();
    EXPECT_EQ(req.version, "HTTP/1.1");
    std::vector<std::string> lines = req.headerLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("Host: ", 0), 0u);
    EXPECT_EQ(
        std::vector<std::string>(lines.begin() + 1, lines.end()),
        (std::vector<std::string>{"Accept: */*", "Accept-Language: zh-cn", "Accept-Encoding: gzip, deflate",
                                  "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; "
                                  ".NET CLR 1.1.4322)"}));
    ASSERT_GE(calls.size(), 10u);  // 100000 bytes in chunks of at most 10240
    int previous = 0;
    for (const Call& c : calls) {
        EXPECT_EQ(c.total, 100000);
        EXPECT_GT(c.downloaded, previous);
        EXPECT_LE(c.downloaded - previous, 10240);
        EXPECT_EQ(c.thisCall, c.downloaded);
        EXPECT_GT(c.elapsed, 0);
        EXPECT_EQ(c.zero, 0);
        previous = c.downloaded;
    }
    EXPECT_EQ(calls.back().downloaded, 100000);
    // Without a callback, and for an unknown length.
    EXPECT_EQ(downloadToFile(server.url("/bytes?n=30000&chunked=1"), path, nullptr, 0, false), 0);
    EXPECT_EQ(readAll(path), TestServer::patternBytes(0, 30000));
    calls.clear();
    EXPECT_EQ(downloadToFile(
                  server.url("/chunked?count=2&size=100"), path,
                  [&](int a, int b, int c, int d, int e) {
                      calls.push_back({a, b, c, d, e});
                  },
                  0, false),
              0);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().total, 0);
}

TEST(Download, ResumeAppendsFromTheOffset) {
    TestServer server;
    const std::string content = TestServer::patternBytes(0, 50000);
    server.serveFile("f.bin", content);
    TempDir dir;
    std::string path = dir.file("part.bin");
    { std::ofstream(path, std::ios::binary) << content.substr(0, 12345); }
    std::vector<Call> calls;
    int rc = downloadToFile(
        server.url("/file/f.bin"), path,
        [&](int a, int b, int c, int d, int e) {
            calls.push_back({a, b, c, d, e});
        },
        12345, true);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(server.lastRequest().headerLines().back(), "Range:bytes=12345-");
    EXPECT_EQ(readAll(path), content);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().total, 50000 - 12345);
    EXPECT_EQ(calls.back().downloaded, 50000);
    EXPECT_EQ(calls.back().thisCall, 50000 - 12345);
    // Resume into a missing file creates it; offset 0 fetches everything again and appends.
    std::string fresh = dir.file("fresh.bin");
    EXPECT_EQ(downloadToFile(server.url("/file/f.bin"), fresh, nullptr, 0, true), 0);
    EXPECT_EQ(server.lastRequest().headerLines().back(), "Range:bytes=0-");
    EXPECT_EQ(downloadToFile(server.url("/file/f.bin"), fresh, nullptr, 0, true), 0);
    EXPECT_EQ(readAll(fresh), content + content);
}

TEST(Download, CountsPast4GiBWithoutWrapping) {
    TestServer server;
    TempDir dir;
    // A resume offset beyond 32 bits: the counts carry it whole.
    const std::int64_t offset = 5'000'000'000;
    std::int64_t total = -1, downloaded = -1, thisCall = -1;
    auto record = [&](std::int64_t t, std::int64_t d, int, std::int64_t c, int) {
        total = t, downloaded = d, thisCall = c;
    };
    EXPECT_EQ(downloadToFile(server.url("/bytes?n=30000"), dir.file("a"), record, offset, true), 0);
    EXPECT_EQ(server.lastRequest().headerLines().back(), "Range:bytes=5000000000-");
    EXPECT_EQ(downloaded, offset + 30000);
    EXPECT_EQ(thisCall, 30000);
    EXPECT_EQ(total, 30000);
    // A Content-Length beyond 32 bits is reported as it is.
    std::stop_source stop;
    downloadToFile(
        server.url("/stall?phase=body&length=6000000000&sent=100"), dir.file("b"),
        [&](std::int64_t t, std::int64_t d, int, std::int64_t, int) {
            total = t, downloaded = d;
            stop.request_stop();
        },
        0, false, stop.get_token());
    EXPECT_EQ(total, 6'000'000'000);
    EXPECT_EQ(downloaded, 100);
}

TEST(Download, FailuresLeaveTheFileAlone) {
    TestServer server;
    TempDir dir;
    std::string path = dir.file("keep.bin");
    { std::ofstream(path) << "keep"; }
    int port;
    {
        TestServer gone;
        port = gone.port();
    }
    EXPECT_EQ(downloadToFile("http://127.0.0.1:" + std::to_string(port) + "/x", path, nullptr, 0, false), -1);
    EXPECT_EQ(downloadToFile("", path, nullptr, 0, false), -1);
    EXPECT_EQ(downloadToFile("nonsense", path, nullptr, 0, false), -1);
    EXPECT_EQ(readAll(path), "keep");  // the file is opened only once an answer came
    // A file that cannot be opened.
    EXPECT_EQ(downloadToFile(server.url("/bytes?n=10"), dir.file("no/such/dir/x"), nullptr, 0, false), -1);
    // Cut short: what arrived is in the file, and the result says failure.
    EXPECT_EQ(downloadToFile(server.url("/drop?length=50000&sent=20000"), path, nullptr, 0, false), -1);
    EXPECT_EQ(readAll(path), TestServer::patternBytes(0, 20000));
    // An error page is data like any other.
    EXPECT_EQ(downloadToFile(server.url("/status?code=404&body=gone"), path, nullptr, 0, false), 0);
    EXPECT_EQ(readAll(path), "gone");
}

TEST(Download, StopEndsQuicklyAndLeavesAConsistentFile) {
    TestServer server;
    TempDir dir;
    std::string path = dir.file("stopped.bin");
    std::stop_source stop;
    std::atomic<int> last{0};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop.request_stop();
    });
    auto start = std::chrono::steady_clock::now();
    // A slow steady answer: it would take 20 s to finish.
    int rc = downloadToFile(
        server.url("/drip?bytes=200&interval=100"), path,
        [&](int, int downloaded, int, int, int) { last = downloaded; }, 0, false, stop.get_token());
    auto took = std::chrono::steady_clock::now() - start;
    stopper.join();
    EXPECT_EQ(rc, -1);
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_EQ(readAll(path), TestServer::patternBytes(0, static_cast<std::size_t>(last.load())));
    EXPECT_TRUE(server.waitForNoOpenConnections(2000));  // our side closed its connection

    // Stopping a fast transfer mid-way: the file holds exactly what the callback saw.
    std::stop_source stop2;
    rc = downloadToFile(
        server.url("/bytes?n=50000000"), path,
        [&](int, int downloaded, int, int, int) {
            last = downloaded;
            if (downloaded >= 1000000) stop2.request_stop();
        },
        0, false, stop2.get_token());
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(readAll(path).size(), static_cast<std::size_t>(last.load()));
}

TEST(ConnectTo, PlainGetAndDownloadHonourTheOverride) {
    TestServer server;
    server.serveFile("f.bin", "content");
    ::setenv("QUORVEX_CONNECT_TO", ("fixed.example:80:127.0.0.1:" + std::to_string(server.port())).c_str(),
             1);
    EXPECT_EQ(text(httpGetBytes("http://fixed.example/status?body=ok")), "ok");
    EXPECT_EQ(server.lastRequest().header("Host"), "fixed.example");
    TempDir dir;
    EXPECT_EQ(downloadToFile("http://fixed.example/file/f.bin", dir.file("f"), nullptr, 0, false), 0);
    EXPECT_EQ(readAll(dir.file("f")), "content");
    ::unsetenv("QUORVEX_CONNECT_TO");
}
