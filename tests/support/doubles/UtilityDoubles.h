#pragma once
// Local stand-ins for the services of the utility windows: the QQ avatar service, a web site
// with a favicon, and a speed-test file server that paces its rate. Each checks what the
// program sends byte for byte and records why it refused a request.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "support/servers/TestServer.h"

namespace qx::test {

// The avatar service: GET /g?b=qq&nk=<account>&s=100 with the request object's header lines and
// "Content-Type: image/jpeg". Like the real one it answers every account: with the picture
// registered for it, or with the default picture.
class AvatarDouble {
  public:
    static constexpr const char* kHost = "q1.qlogo.cn";

    AvatarDouble();
    void setPicture(const std::string& account, std::string bytes);
    void setDefaultPicture(std::string bytes);
    // Answers that account only after ms (for overlapping fetches).
    void setDelay(const std::string& account, int ms);
    // Answers every request with this body instead (an error page, a huge answer...).
    void setOverride(std::string body);
    std::string connectTo() const;  // "q1.qlogo.cn:80:127.0.0.1:PORT"
    TestServer& server() { return server_; }

    std::string lastProblem() const;  // "" when the last request was as the program must send it
    std::string lastAccount() const;  // nk as the program typed it (percent-decoded)
    int served() const;

  private:
    void handle(const HttpRequestRecord& request, HttpResponse& response);

    mutable std::mutex mutex_;
    std::map<std::string, std::string> pictures_;
    std::map<std::string, int> delays_;
    std::string defaultPicture_;
    std::string override_;
    bool overridden_ = false;
    std::string problem_;
    std::string account_;
    int served_ = 0;
    TestServer server_;
};

// A web site: answers "/favicon.ico" (and any other path registered) to the program's plain GET,
// whose request it checks: HTTP/1.0, its agent, "Accept: */*".
class SiteDouble {
  public:
    SiteDouble();
    // Serves the path; without a favicon the site answers 404 with an HTML page.
    void setFavicon(std::string bytes);
    void route(const std::string& path, TestServer::Handler handler) {
        server_.route(path, std::move(handler));
    }
    std::string connectTo(const std::string& host) const;  // "host:80:127.0.0.1:PORT"
    TestServer& server() { return server_; }
    std::string lastProblem() const;

  private:
    void check(const HttpRequestRecord& request);

    mutable std::mutex mutex_;
    std::string favicon_;
    bool haveFavicon_ = false;
    std::string problem_;
    TestServer server_;
};

// The speed-test file: GET /speedtest.bin with the downloader's header block, answered 206 from
// byte 0 at a fixed rate (0: as fast as the connection takes it). It may stall or close after a
// number of bytes.
class SpeedTestServer {
  public:
    static constexpr const char* kPath = "/speedtest.bin";
    struct Behaviour {
        double bytesPerSecond = 0;
        std::int64_t length = std::int64_t{64} << 30;  // the file's announced size
        std::int64_t stallAfter = -1;                  // then ten bytes a second until the client goes
        std::int64_t closeAfter = -1;                  // then the connection is closed
        int startAfterMs = 0;                          // the answer begins only then (a slow start)
    };

    SpeedTestServer();  // as fast as the connection takes it
    explicit SpeedTestServer(Behaviour behaviour);
    void setBehaviour(Behaviour behaviour);
    std::string url() const;  // http://127.0.0.1:PORT/speedtest.bin
    std::string connectTo(const std::string& host) const;
    TestServer& server() { return server_; }

    std::string lastProblem() const;
    std::int64_t bytesSent() const { return sent_.load(); }

    // The header lines the downloader sends, in order, after Host.
    static std::vector<std::string> expectedHeaderLines(std::int64_t rangeStart);

  private:
    void serve(const HttpRequestRecord& request, Connection& connection);

    mutable std::mutex mutex_;
    Behaviour behaviour_;
    std::string problem_;
    std::atomic<std::int64_t> sent_{0};
    TestServer server_;
};

// Pictures for the doubles and the tests: a w x h PNG (a coloured disc on a light ground), and a
// 16 x 16 icon file with one 32-bit frame.
std::string samplePng(int width, int height);
std::string sampleIco16();

}  // namespace qx::test
