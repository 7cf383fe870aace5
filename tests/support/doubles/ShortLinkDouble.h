#pragma once
// A local stand-in for the two link-shortening services (is.gd and tinyurl.com) over HTTPS. It
// checks every byte of the request as the real service would get it from the link shortener:
// GET, the exact path and query (keys in order, the long address percent-encoded), and exactly
// the header lines Host, User-Agent and Accept in that order. It answers like the service, or
// misbehaves as a test asks.
#include <mutex>
#include <string>

#include "support/servers/TestServer.h"

namespace qx::test {

class ShortLinkDouble {
  public:
    enum class Answer { Short, ErrorText, WebPage, Stall };

    ShortLinkDouble();
    void setAnswer(Answer a);
    // "is.gd:443:127.0.0.1:PORT,tinyurl.com:443:127.0.0.1:PORT"
    std::string connectTo() const;
    TestServer& server() { return server_; }
    // Why the last request differed from what the client must send ("" when it did not).
    std::string lastProblem() const;
    // The long address the last request carried (decoded).
    std::string lastLongUrl() const;

  private:
    void handle(const HttpRequestRecord& request, Connection& connection, const std::string& host);

    mutable std::mutex mutex_;
    Answer answer_ = Answer::Short;
    std::string problem_;
    std::string longUrl_;
    TestServer server_;
};

}  // namespace qx::test
