#pragma once
// A local stand-in for the share-view endpoint of the notice service. It checks the request
// as the real service would see it and answers like it: the note's HTML for the right share
// key and password, a JSON answer without the note for anything else.
#include <mutex>
#include <string>

#include "support/servers/TestServer.h"

namespace qx::test {

class NoticeDouble {
public:
    static constexpr const char* kPath = "/webapp/json/weiyunShareNoLogin/WeiyunShareView";

    NoticeDouble(std::string shareKey, std::string password, TestServer::Scheme scheme = TestServer::Https);

    // The note's HTML, UTF-8.
    void setNoteHtml(std::string html);
    // "share.weiyun.com:443:127.0.0.1:PORT": what QUORVEX_CONNECT_TO needs to reach us.
    std::string connectTo() const;
    TestServer& server() { return server_; }

    // Why the last request was refused ("" when it was served as the real service would).
    std::string lastProblem() const;
    int notesServed() const;

    // The two values the request body carries, read from its JSON (empty when not found).
    static bool readBody(const std::string& body, std::string& password, std::string& shareKey);

private:
    void handle(const HttpRequestRecord& request, HttpResponse& response);

    std::string shareKey_;
    std::string password_;
    mutable std::mutex mutex_;
    std::string html_;
    std::string problem_;
    int served_ = 0;
    TestServer server_;
};

// JSON string literal of a UTF-8 text.
std::string jsonQuote(const std::string& utf8);

}  // namespace qx::test
