#include "DelayProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>

namespace qx::bench {

namespace {

using Clock = std::chrono::steady_clock;

std::size_t number(const std::string& s, std::size_t at, int bytes) {
    std::size_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
    return v;
}

// The body of a hello at the start of a TLS stream, or "" until all of it has arrived. Hellos
// fit in the first record.
std::string helloBody(const std::string& s, int type) {
    if (s.size() < 9 || static_cast<std::uint8_t>(s[0]) != 22) return {};
    std::size_t record = number(s, 3, 2);
    if (s.size() < 5 + record || static_cast<std::uint8_t>(s[5]) != type) return {};
    std::size_t length = number(s, 6, 3);
    if (4 + length > record) return {};
    return s.substr(9, length);
}

std::string sessionId(const std::string& hello) {
    if (hello.size() < 35) return {};
    std::size_t n = static_cast<std::uint8_t>(hello[34]);
    return hello.size() < 35 + n ? std::string() : hello.substr(35, n);
}

// TLS 1.3 names its version in supported_versions and resumes with pre_shared_key; TLS 1.2
// resumes by echoing the client's session id (1.3 echoes it always, for middleboxes).
DelayProxy::Handshake readHandshake(const std::string& clientHello, const std::string& serverHello) {
    DelayProxy::Handshake h;
    h.seen = true;
    std::size_t at = 35 + sessionId(serverHello).size() + 3;
    if (serverHello.size() >= at + 2) {
        std::size_t end = std::min(serverHello.size(), at + 2 + number(serverHello, at, 2));
        bool psk = false;
        for (at += 2; at + 4 <= end;) {
            std::size_t type = number(serverHello, at, 2), length = number(serverHello, at + 2, 2);
            if (type == 43 && length == 2 && at + 6 <= end)
                h.tls13 = number(serverHello, at + 4, 2) == 0x0304;
            if (type == 41) psk = true;
            at += 4 + length;
        }
        if (h.tls13) h.resumed = psk;
    }
    if (!h.tls13) {
        std::string id = sessionId(serverHello);
        h.resumed = !id.empty() && id == sessionId(clientHello);
    }
    return h;
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

struct DelayProxy::Link {
    int client = -1;
    int server = -1;
    Clock::time_point accepted;
    std::string hello[2];  // the first bytes each way: [0] from the client, [1] from the server
    Handshake handshake;
};

DelayProxy::DelayProxy(int upstreamPort, std::chrono::milliseconds oneWay)
    : upstreamPort_(upstreamPort), oneWay_(oneWay) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::listen(listenFd_, 64) == 0 &&
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

DelayProxy::~DelayProxy() {
    stopping_ = true;
    ::shutdown(listenFd_, SHUT_RDWR);
    acceptThread_.join();
    for (std::thread& t : threads_) t.join();
    ::close(listenFd_);
    for (Link& link : links_) {
        ::close(link.client);
        ::close(link.server);
    }
}

std::vector<DelayProxy::Handshake> DelayProxy::handshakes() const {
    std::lock_guard lock(mutex_);
    std::vector<Handshake> out;
    for (const Link& link : links_) out.push_back(link.handshake);
    return out;
}

void DelayProxy::acceptLoop() {
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0 || !(p.revents & POLLIN)) continue;
        int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        const auto accepted = Clock::now();
        int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(upstreamPort_));
        if (::connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(server);
            ::close(client);
            continue;
        }
        int one = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(mutex_);
        Link& link = links_.emplace_back();
        link.client = client;
        link.server = server;
        link.accepted = accepted;
        ++connections_;
        threads_.emplace_back([this, &link] { pump(link, true); });
        threads_.emplace_back([this, &link] { pump(link, false); });
    }
}

void DelayProxy::pump(Link& link, bool toServer) {
    struct Chunk {
        Clock::time_point due;
        std::string bytes;
        bool end = false;
    };
    const int from = toServer ? link.client : link.server;
    const int to = toServer ? link.server : link.client;
    // The client's first bytes reach the server a round trip and a half after its connect, as
    // after a real TCP handshake.
    const Clock::time_point notBefore = toServer ? link.accepted + 3 * oneWay_ : Clock::time_point{};
    std::deque<Chunk> queue;
    bool readEnded = false;
    char buffer[64 * 1024];
    while (!stopping_) {
        auto now = Clock::now();
        while (!queue.empty() && queue.front().due <= now) {
            Chunk chunk = std::move(queue.front());
            queue.pop_front();
            if (chunk.end) {
                ::shutdown(to, SHUT_WR);
                return;
            }
            if (!writeAll(to, chunk.bytes)) {
                ::shutdown(from, SHUT_RDWR);
                ::shutdown(to, SHUT_RDWR);
                return;
            }
        }
        auto wait = std::chrono::milliseconds(100);
        if (!queue.empty())
            wait = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(queue.front().due - now),
                              std::chrono::milliseconds(0), wait);
        if (readEnded) {
            std::this_thread::sleep_until(queue.empty() ? now + wait : queue.front().due);
            continue;
        }
        pollfd p{from, POLLIN, 0};
        timespec ts{0, static_cast<long>(std::chrono::nanoseconds(wait).count())};
        if (::ppoll(&p, 1, &ts, nullptr) <= 0) continue;
        ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        now = Clock::now();
        const Clock::time_point due = std::max(now + oneWay_, notBefore);
        if (n <= 0) {
            readEnded = true;
            queue.push_back({due, {}, true});
            continue;
        }
        queue.push_back({due, std::string(buffer, static_cast<std::size_t>(n))});
        std::lock_guard lock(mutex_);
        std::string& hello = link.hello[toServer ? 0 : 1];
        if (!link.handshake.seen && hello.size() < 16384) {
            hello.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), 16384 - hello.size()));
            std::string client = helloBody(link.hello[0], 1), server = helloBody(link.hello[1], 2);
            if (!client.empty() && !server.empty()) link.handshake = readHandshake(client, server);
        }
    }
}

}  // namespace qx::bench
