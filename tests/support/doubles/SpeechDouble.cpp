#include "support/doubles/SpeechDouble.h"

#include <fstream>
#include <sstream>

namespace qx::test {

namespace {

const std::string kTail = "&cuid=baike&lan=ZH&ctp=1&pdt=301&vol=9&rate=32&per&qq-pf-to=pcqq.group";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // the program writes upper-case digits only
}

// Decodes the tex value; false when it holds a byte the program never leaves unencoded.
bool decodeTex(const std::string& tex, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < tex.size(); ++i) {
        char c = tex[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= tex.size()) return false;
            int hi = hexDigit(tex[i + 1]), lo = hexDigit(tex[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                   c == '.' || c == '\'' || c == '(' || c == ')' || c == '*') {
            out += c;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

SpeechDouble::SpeechDouble() : server_(TestServer::Http, false) {
    server_.rawRoute(kPath, [this](const HttpRequestRecord& request, Connection& connection) {
        handle(request, connection);
    });
}

void SpeechDouble::setAnswer(Answer answer) {
    std::lock_guard lock(mutex_);
    answer_ = answer;
}

void SpeechDouble::hold(bool on) {
    std::lock_guard lock(mutex_);
    held_ = on;
}

void SpeechDouble::setDelay(int ms) {
    std::lock_guard lock(mutex_);
    delayMs_ = ms;
}

const std::string& SpeechDouble::mp3() {
    static const std::string bytes = [] {
        std::ifstream in(QX_SPEECH_DOUBLE_MP3, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }();
    return bytes;
}

std::string SpeechDouble::errorPage() {
    return "<html><head><title>500 Internal Server Error</title></head><body>server error</body></html>";
}

std::string SpeechDouble::connectTo() const {
    return std::string(kHost) + ":80:127.0.0.1:" + std::to_string(server_.port());
}

std::vector<std::string> SpeechDouble::queries() const {
    std::lock_guard lock(mutex_);
    return queries_;
}

std::vector<std::string> SpeechDouble::texts() const {
    std::lock_guard lock(mutex_);
    return texts_;
}

std::string SpeechDouble::lastProblem() const {
    std::lock_guard lock(mutex_);
    return problem_;
}

void SpeechDouble::handle(const HttpRequestRecord& request, Connection& connection) {
    std::string problem, text;
    const std::vector<std::string> expectedLines = {
        std::string("Host: ") + kHost, "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)",
        "Accept: */*"};
    const std::string& q = request.query;
    if (request.method != "GET")
        problem = "method " + request.method;
    else if (request.version != "HTTP/1.0")
        problem = "version " + request.version;
    else if (request.headerLines() != expectedLines)
        problem = "header lines " + request.headerBlock;
    else if (!request.body.empty())
        problem = "body " + request.body;
    else if (q.rfind("tex=", 0) != 0 || q.size() < 4 + kTail.size() ||
             q.compare(q.size() - kTail.size(), kTail.size(), kTail) != 0)
        problem = "query " + q;
    else if (!decodeTex(q.substr(4, q.size() - 4 - kTail.size()), text))
        problem = "tex " + q;

    {
        std::lock_guard lock(mutex_);
        queries_.push_back(q);
        texts_.push_back(text);
        problem_ = problem;
    }
    int delay;
    {
        std::lock_guard lock(mutex_);
        delay = delayMs_;
    }
    if (delay > 0 && !connection.sleep(delay)) return;
    Answer answer;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            answer = answer_;
            if (!held_) break;
        }
        if (!connection.sleep(10)) return;  // the server is shutting down
    }
    HttpResponse response;
    if (!problem.empty()) {
        response.status = 400;
        response.body = "bad request";
    } else {
        switch (answer) {
            case Answer::Mp3:
                response.add("Content-Type", "audio/mp3");
                response.body = mp3();
                break;
            case Answer::ErrorPage:
                response.status = 500;
                response.add("Content-Type", "text/html");
                response.body = errorPage();
                break;
            case Answer::Empty:
                response.add("Content-Type", "audio/mp3");
                break;
            case Answer::Refuse:
                connection.close();
                return;
        }
    }
    response.closeAfter = true;  // HTTP/1.0
    connection.writeResponse(response);
}

}  // namespace qx::test
