#include "support/doubles/ShortLinkDouble.h"

namespace qx::test {

namespace {

std::string encode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

}  // namespace

ShortLinkDouble::ShortLinkDouble() : server_(TestServer::Https, false) {
    server_.rawRoute("/create.php",
                     [this](const HttpRequestRecord& r, Connection& c) { handle(r, c, "is.gd"); });
    server_.rawRoute("/api-create.php",
                     [this](const HttpRequestRecord& r, Connection& c) { handle(r, c, "tinyurl.com"); });
}

void ShortLinkDouble::setAnswer(Answer a) {
    std::lock_guard lock(mutex_);
    answer_ = a;
}

std::string ShortLinkDouble::connectTo() const {
    const std::string to = ":127.0.0.1:" + std::to_string(server_.port());
    return "is.gd:443" + to + ",tinyurl.com:443" + to;
}

std::string ShortLinkDouble::lastProblem() const {
    std::lock_guard lock(mutex_);
    return problem_;
}

std::string ShortLinkDouble::lastLongUrl() const {
    std::lock_guard lock(mutex_);
    return longUrl_;
}

void ShortLinkDouble::handle(const HttpRequestRecord& request, Connection& connection,
                             const std::string& host) {
    const std::string longUrl = request.param("url");
    const std::string expectedTarget = host == "is.gd" ? "/create.php?format=simple&url=" + encode(longUrl)
                                                       : "/api-create.php?url=" + encode(longUrl);
    const std::string expectedHead = "GET " + expectedTarget + " HTTP/1.1\r\nHost: " + host +
                                     "\r\nUser-Agent: QuorvexShortLink/1.0\r\nAccept: text/plain\r\n\r\n";
    std::string problem;
    if (request.head != expectedHead)
        problem = "request head differs:\n" + request.head;
    else if (!request.body.empty())
        problem = "a body was sent";
    Answer answer;
    {
        std::lock_guard lock(mutex_);
        longUrl_ = longUrl;
        problem_ = problem;
        answer = answer_;
    }
    HttpResponse res;
    res.add("Content-Type", "text/plain; charset=utf-8");
    if (answer == Answer::Stall) {
        while (connection.sleep(50)) {
        }
        return;
    }
    if (!problem.empty()) {
        res.status = 400;
        res.body = "Error: unexpected request";
    } else if (answer == Answer::Short) {
        res.body = host == "is.gd" ? "https://is.gd/qx1234" : "https://tinyurl.com/qx5678";
    } else if (answer == Answer::ErrorText) {
        res.status = 400;
        res.body = "Error: Please enter a valid URL to shorten\n";
    } else {
        res.headers.clear();
        res.add("Content-Type", "text/html; charset=utf-8");
        res.status = 200;
        res.body = "<!DOCTYPE html><html><body><h1>Service unavailable</h1></body></html>";
    }
    connection.writeResponse(res);
}

}  // namespace qx::test
