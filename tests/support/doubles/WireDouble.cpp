#include "support/doubles/WireDouble.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <set>

namespace qx::test {
namespace {

std::string hostOf(const std::string& request) {
    const std::string key = "\r\nHost: ";
    std::size_t at = request.find(key);
    if (at == std::string::npos) return {};
    at += key.size();
    std::string host = request.substr(at, request.find("\r\n", at) - at);
    std::size_t colon = host.rfind(':');
    return colon == std::string::npos ? host : host.substr(0, colon);
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != text.end();
}

// Whether the connection stays open after this request and its answer (bytes sent in full).
bool keptOpen(const HttpRequestRecord& request, const std::string& reply) {
    const std::string_view head = std::string_view(reply).substr(0, reply.find("\r\n\r\n"));
    const std::string connection = request.header("Connection");
    const bool keepAlive = request.version == "HTTP/1.1" ? !containsIgnoringCase(connection, "close")
                                                         : containsIgnoringCase(connection, "keep-alive");
    return keepAlive && !containsIgnoringCase(head, "\r\nConnection: close");
}

}  // namespace

int closedLocalPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 9;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    if (fd >= 0) ::close(fd);
    return port;
}

WireDouble::WireDouble(WireCase wireCase, bool loop)
    : case_(std::move(wireCase)),
      loop_(loop),
      closedPort_(closedLocalPort()),
      https_(TestServer::Https, false),
      http_(TestServer::Http, false) {
    https_.setRawFallback([this](const HttpRequestRecord& r, Connection& c) { handle(r, c, true); });
    http_.setRawFallback([this](const HttpRequestRecord& r, Connection& c) { handle(r, c, false); });
}

WireDouble::~WireDouble() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
}

std::string WireDouble::connectTo(bool catchAll) const {
    const std::string closed = "127.0.0.1:" + std::to_string(closedPort_);
    if (case_.refused) return "::" + closed;
    std::string value;
    auto add = [&value](const std::string& entry) { value += (value.empty() ? "" : ",") + entry; };
    if (catchAll) {
        add(":443:" + https_.hostPort());
        add(":80:" + http_.hostPort());
    } else {
        std::set<std::string> seen;
        for (const WireExchange& e : case_.exchanges) {
            std::string entry =
                hostOf(e.request) + (e.https ? ":443:" + https_.hostPort() : ":80:" + http_.hostPort());
            if (seen.insert(entry).second) add(entry);
        }
    }
    if (catchAll) add("::" + closed);
    return value;
}

std::vector<std::string> WireDouble::problems() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out = problems_;
    if (!loop_ && next_ < case_.exchanges.size())
        out.push_back("request " + std::to_string(next_ + 1) + " never came:\n" +
                      wireDifference(case_.exchanges[next_].request, ""));
    return out;
}

std::vector<std::string> WireDouble::connectionProblems() const {
    std::lock_guard lock(mutex_);
    return connectionProblems_;
}

std::size_t WireDouble::served() const {
    std::lock_guard lock(mutex_);
    return next_;
}

void WireDouble::hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void WireDouble::release() {
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    changed_.notify_all();
}

bool WireDouble::waitForRequests(std::size_t n, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return received_ >= n; });
}

void WireDouble::handle(const HttpRequestRecord& request, Connection& connection, bool https) {
    const std::string received = request.head + request.body;
    WireExchange exchange;
    bool known = false;
    {
        std::unique_lock lock(mutex_);
        ++received_;
        changed_.notify_all();
        if (loop_ && next_ == case_.exchanges.size()) next_ = 0;
        const std::size_t index = next_;
        if (index >= case_.exchanges.size()) {
            problems_.push_back("unexpected request " + std::to_string(index + 1) + ":\n" +
                                wireDifference("", received));
        } else {
            exchange = case_.exchanges[index];
            ++next_;
            known = true;
            if (exchange.https != https)
                problems_.push_back("request " + std::to_string(index + 1) + " came over " +
                                    (https ? "https" : "http"));
            if (!requestMatches(exchange, received)) {
                problems_.push_back("request " + std::to_string(index + 1) + " differs:\n" +
                                    wireDifference(exchange.request, received));
                known = false;
            }
        }
        const std::string host = (https ? "https://" : "http://") + hostOf(request.head);
        auto [last, first] = hostConnections_.try_emplace(host);
        if (!first && last->second.reusable && last->second.index != request.connectionIndex)
            connectionProblems_.push_back("request " + std::to_string(received_) + " to " + host +
                                          " came on a new connection; connection " +
                                          std::to_string(last->second.index) + " was open for it");
        last->second.index = request.connectionIndex;
        last->second.reusable =
            known && exchange.kind == WireExchange::Reply::Bytes && keptOpen(request, exchange.reply);
        changed_.wait(lock, [&] { return !held_ || ending_; });
    }
    if (!known) {
        connection.writeResponse(
            {400, "", {{"Content-Type", "text/plain"}}, "not what the service expects", false, true});
        return;
    }
    switch (exchange.kind) {
        case WireExchange::Reply::Bytes:
            connection.write(exchange.reply);
            break;
        case WireExchange::Reply::Raw:
            connection.write(exchange.reply);
            connection.close();
            break;
        case WireExchange::Reply::Stall:
            while (connection.sleep(100)) {
            }
            break;
        case WireExchange::Reply::Close:
            connection.close();
            break;
        case WireExchange::Reply::Drip:
            for (std::size_t i = 0; connection.sleep(200); ++i)
                if (!connection.write(i < exchange.reply.size() ? exchange.reply.substr(i, 1) : "x")) break;
            break;
    }
}

}  // namespace qx::test
