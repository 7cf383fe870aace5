#include "support/servers/TestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace qx::test {

namespace {

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string trimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return std::string(s.substr(b, e - b));
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

long long toNumber(std::string_view s, long long fallback) {
    if (s.empty()) return fallback;
    char* end = nullptr;
    std::string copy(s);
    long long v = std::strtoll(copy.c_str(), &end, 10);
    return end == copy.c_str() ? fallback : v;
}

std::string reasonFor(int status) {
    switch (status) {
        case 100:
            return "Continue";
        case 200:
            return "OK";
        case 201:
            return "Created";
        case 204:
            return "No Content";
        case 206:
            return "Partial Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 304:
            return "Not Modified";
        case 307:
            return "Temporary Redirect";
        case 308:
            return "Permanent Redirect";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 407:
            return "Proxy Authentication Required";
        case 416:
            return "Range Not Satisfiable";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

// A certificate authority and the server certificate it issued, made once per process.
struct Credentials {
    EVP_PKEY* caKey = nullptr;
    X509* caCert = nullptr;
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    std::string caPem;
};

X509* makeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey, bool ca) {
    static long serial = 1;
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert),
                     (static_cast<long>(std::time(nullptr)) & 0xffffff) * 100 + serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert), -24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 365L * 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("Quorvex test"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName),
                               -1, -1, 0);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer ? issuer : cert, cert, nullptr, nullptr, 0);
    std::vector<std::pair<const char*, const char*>> exts;
    if (ca) {
        exts = {{"basicConstraints", "critical,CA:TRUE"}, {"keyUsage", "critical,keyCertSign,cRLSign"}};
    } else {
        exts = {{"basicConstraints", "critical,CA:FALSE"},
                {"keyUsage", "critical,digitalSignature"},
                {"extendedKeyUsage", "serverAuth"},
                {"subjectAltName", TestServer::kCertificateNames}};
    }
    for (auto& [extName, value] : exts) {
        X509_EXTENSION* ext = X509V3_EXT_conf(nullptr, &ctx, extName, value);
        if (ext) {
            X509_add_ext(cert, ext, -1);
            X509_EXTENSION_free(ext);
        }
    }
    X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256());
    return cert;
}

std::string pemOf(X509* cert) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, cert);
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(n));
    BIO_free(bio);
    return pem;
}

Credentials makeCredentials(const char* caName) {
    Credentials r;
    r.caKey = EVP_EC_gen("P-256");
    r.caCert = makeCertificate(r.caKey, caName, nullptr, nullptr, true);
    r.key = EVP_EC_gen("P-256");
    r.cert = makeCertificate(r.key, "127.0.0.1", r.caCert, r.caKey, false);
    r.caPem = pemOf(r.caCert);
    return r;
}

// The test CA every Https server's certificate comes from.
const Credentials& credentials() {
    static Credentials c = makeCredentials("Quorvex test CA");
    return c;
}

// Another CA that nobody trusts, for HttpsUnknownCa servers.
const Credentials& unknownCredentials() {
    static Credentials c = makeCredentials("Unknown CA");
    return c;
}

}  // namespace

// ---- request record helpers ----

std::string HttpRequestRecord::header(std::string_view name) const {
    for (auto& [n, v] : headers)
        if (iequals(n, name)) return v;
    return {};
}

bool HttpRequestRecord::hasHeader(std::string_view name) const { return headerCount(name) > 0; }

int HttpRequestRecord::headerCount(std::string_view name) const {
    int count = 0;
    for (auto& h : headers)
        if (iequals(h.first, name)) ++count;
    return count;
}

std::vector<std::string> HttpRequestRecord::headerNames() const {
    std::vector<std::string> out;
    for (auto& h : headers) out.push_back(h.first);
    return out;
}

std::vector<std::string> HttpRequestRecord::headerLines() const {
    std::vector<std::string> out;
    std::size_t from = 0;
    while (from < headerBlock.size()) {
        std::size_t end = headerBlock.find("\r\n", from);
        if (end == std::string::npos) end = headerBlock.size();
        out.push_back(headerBlock.substr(from, end - from));
        from = end + 2;
    }
    return out;
}

std::vector<std::string> HttpRequestRecord::params(std::string_view name) const {
    std::vector<std::string> out;
    std::size_t from = 0;
    while (from <= query.size() && !query.empty()) {
        std::size_t end = query.find('&', from);
        if (end == std::string::npos) end = query.size();
        std::string_view piece(query.data() + from, end - from);
        std::size_t eq = piece.find('=');
        std::string key = percentDecode(piece.substr(0, eq));
        if (key == name)
            out.push_back(eq == std::string_view::npos ? "" : percentDecode(piece.substr(eq + 1)));
        from = end + 1;
    }
    return out;
}

std::string HttpRequestRecord::param(std::string_view name) const {
    auto all = params(name);
    return all.empty() ? std::string() : all.front();
}

// ---- connection ----

bool Connection::writeHead(int status, std::string_view reason, const HeaderList& headers) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " +
                       (reason.empty() ? reasonFor(status) : std::string(reason)) + "\r\n";
    for (auto& [n, v] : headers) head += n + ": " + v + "\r\n";
    head += "\r\n";
    return write(head);
}

namespace {

class SocketConnection : public Connection {
  public:
    SocketConnection(int fd, SSL* ssl, std::atomic<bool>& stopping, std::mutex& mutex,
                     std::condition_variable& cv)
        : fd_(fd), ssl_(ssl), stopping_(stopping), mutex_(mutex), cv_(cv) {}

    bool write(std::string_view bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
            long n;
            if (ssl_) {
                n = SSL_write(ssl_, bytes.data() + done, chunk);
            } else {
                n = ::send(fd_, bytes.data() + done, static_cast<std::size_t>(chunk), MSG_NOSIGNAL);
                if (n < 0 && errno == EINTR) continue;
            }
            if (n <= 0) {
                broken_ = true;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool sleep(int ms) override {
        std::unique_lock lock(mutex_);
        return !cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping_.load(); });
    }
    bool stopping() const override { return stopping_.load(); }
    void close() override { closeRequested_ = true; }
    void reset() override { resetRequested_ = true; }

    // Buffered reading for the request parser.
    bool readMore() {
        char buf[16384];
        while (true) {
            long n = ssl_ ? SSL_read(ssl_, buf, sizeof buf) : ::recv(fd_, buf, sizeof buf, 0);
            if (n < 0 && !ssl_ && errno == EINTR) continue;
            if (n <= 0) return false;
            in_.append(buf, static_cast<std::size_t>(n));
            return true;
        }
    }

    std::string in_;
    bool headRequest_ = false;
    bool closeRequested_ = false;
    bool resetRequested_ = false;
    bool broken_ = false;

  private:
    int fd_;
    SSL* ssl_;
    std::atomic<bool>& stopping_;
    std::mutex& mutex_;
    std::condition_variable& cv_;
};

}  // namespace

bool Connection::writeResponse(const HttpResponse& r) {
    HeaderList headers = r.headers;
    bool hasLength = false;
    for (auto& h : headers)
        if (iequals(h.first, "Content-Length") || iequals(h.first, "Transfer-Encoding")) hasLength = true;
    if (r.chunked) {
        headers.emplace_back("Transfer-Encoding", "chunked");
    } else if (!hasLength && !r.noContentLength) {
        headers.emplace_back("Content-Length", std::to_string(r.body.size()));
    }
    if (r.closeAfter || r.noContentLength) headers.emplace_back("Connection", "close");
    if (!writeHead(r.status, r.reason, headers)) return false;
    auto* self = dynamic_cast<SocketConnection*>(this);
    bool head = self && self->headRequest_;
    if (!head) {
        if (r.chunked) {
            if (!r.body.empty()) {
                char size[32];
                std::snprintf(size, sizeof size, "%zx\r\n", r.body.size());
                if (!write(size) || !write(r.body) || !write("\r\n")) return false;
            }
            if (!write("0\r\n\r\n")) return false;
        } else if (!write(r.body)) {
            return false;
        }
    }
    if (r.closeAfter || r.noContentLength) close();
    return true;
}

// ---- server ----

struct TestServer::Impl {
    SSL_CTX* ctx = nullptr;
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Worker> workers;
};

const std::string& TestServer::certificatePem() { return credentials().caPem; }

const std::string& TestServer::certificateFile() {
    static const std::string path = [] {
        std::string p = "/tmp/qx-test-ca-" + std::to_string(::getpid()) + ".pem";
        FILE* f = std::fopen(p.c_str(), "wb");
        if (f) {
            std::fwrite(credentials().caPem.data(), 1, credentials().caPem.size(), f);
            std::fclose(f);
        }
        return p;
    }();
    return path;
}

std::string TestServer::patternBytes(std::size_t offset, std::size_t n) {
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i) out[i] = patternByte(offset + i);
    return out;
}

TestServer::TestServer(Scheme scheme, bool standardRoutes)
    : scheme_(scheme), impl_(std::make_unique<Impl>()) {
    std::signal(SIGPIPE, SIG_IGN);
    if (scheme_ != Http) {
        const Credentials& c = scheme_ == Https ? credentials() : unknownCredentials();
        impl_->ctx = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate(impl_->ctx, c.cert);
        SSL_CTX_add1_chain_cert(impl_->ctx, c.caCert);
        SSL_CTX_use_PrivateKey(impl_->ctx, c.key);
    }
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 128) != 0) {
        std::perror("TestServer: bind/listen");
        std::abort();
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    fallback_ = [](const HttpRequestRecord&, HttpResponse& res) {
        res.status = 404;
        res.body = "not found";
    };
    if (standardRoutes) installStandardRoutes();
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

TestServer::~TestServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int fd : liveFds_) ::shutdown(fd, SHUT_RDWR);
    }
    changed_.notify_all();
    std::uint64_t one = 1;
    (void)!::write(wakeFd_, &one, sizeof one);
    if (acceptThread_.joinable()) acceptThread_.join();
    for (auto& w : impl_->workers)
        if (w.thread.joinable()) w.thread.join();
    ::close(listenFd_);
    ::close(wakeFd_);
    if (impl_->ctx) SSL_CTX_free(impl_->ctx);
}

std::string TestServer::hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
std::string TestServer::origin() const { return (scheme_ != Http ? "https://" : "http://") + hostPort(); }
std::string TestServer::url(std::string_view path) const { return origin() + std::string(path); }

void TestServer::route(const std::string& path, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(handler);
}

void TestServer::rawRoute(const std::string& path, RawHandler handler) {
    std::lock_guard lock(mutex_);
    rawRoutes_[path] = std::move(handler);
}

void TestServer::setFallback(Handler handler) {
    std::lock_guard lock(mutex_);
    fallback_ = std::move(handler);
}

void TestServer::setRawFallback(RawHandler handler) {
    std::lock_guard lock(mutex_);
    rawFallback_ = std::move(handler);
}

void TestServer::serveFile(const std::string& name, std::string content) {
    auto shared = std::make_shared<const std::string>(std::move(content));
    rawRoute("/file/" + name, [shared](const HttpRequestRecord& req, Connection& c) {
        const std::string& data = *shared;
        std::string range = req.header("Range");
        std::size_t from = 0, to = data.size();  // [from, to)
        int status = 200;
        if (range.rfind("bytes=", 0) == 0) {
            std::string rangeText = range.substr(6);
            std::size_t dash = rangeText.find('-');
            long long a = toNumber(rangeText.substr(0, dash), -1);
            long long b = dash == std::string::npos ? -1 : toNumber(rangeText.substr(dash + 1), -1);
            if (a < 0 || static_cast<std::size_t>(a) >= data.size()) {
                HttpResponse res;
                res.status = 416;
                res.add("Content-Range", "bytes */" + std::to_string(data.size()));
                c.writeResponse(res);
                return;
            }
            from = static_cast<std::size_t>(a);
            if (b >= a && static_cast<std::size_t>(b) < data.size()) to = static_cast<std::size_t>(b) + 1;
            status = 206;
        }
        HeaderList headers = {{"Content-Type", "application/octet-stream"},
                              {"Accept-Ranges", "bytes"},
                              {"Content-Length", std::to_string(to - from)}};
        if (status == 206)
            headers.emplace_back("Content-Range", "bytes " + std::to_string(from) + "-" +
                                                      std::to_string(to - 1) + "/" +
                                                      std::to_string(data.size()));
        if (!c.writeHead(status, "", headers) || req.method == "HEAD") return;
        const std::size_t piece = 1 << 18;
        for (std::size_t at = from; at < to; at += piece) {
            if (c.stopping()) return;
            if (!c.write(std::string_view(data).substr(at, std::min(piece, to - at)))) return;
        }
    });
}

std::vector<HttpRequestRecord> TestServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

HttpRequestRecord TestServer::lastRequest() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() ? HttpRequestRecord{} : requests_.back();
}

std::size_t TestServer::requestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

void TestServer::clearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

bool TestServer::waitForRequests(std::size_t n, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return requests_.size() >= n; });
}

bool TestServer::waitForNoOpenConnections(int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return open_.load() == 0; });
}

void TestServer::acceptLoop() {
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (stopping_ || (fds[1].revents & POLLIN)) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(mutex_);
        // Join the connections that have ended, so a long benchmark does not pile up threads.
        for (auto it = impl_->workers.begin(); it != impl_->workers.end();) {
            if (it->done->load()) {
                it->thread.join();
                it = impl_->workers.erase(it);
            } else {
                ++it;
            }
        }
        if (stopping_) {
            ::close(fd);
            return;
        }
        liveFds_.push_back(fd);
        int index = ++connections_;
        ++open_;
        auto done = std::make_shared<std::atomic<bool>>(false);
        impl_->workers.push_back({std::thread([this, fd, index, done] {
                                      serveConnection(fd, index);
                                      done->store(true);
                                  }),
                                  done});
    }
}

void TestServer::serveConnection(int fd, int index) {
    SSL* ssl = nullptr;
    bool ok = true;
    if (scheme_ != Http) {
        ssl = SSL_new(impl_->ctx);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) <= 0) ok = false;
    }
    SocketConnection conn(fd, ssl, stopping_, mutex_, changed_);
    while (ok && !stopping_) {
        // The head.
        std::size_t end;
        while ((end = conn.in_.find("\r\n\r\n")) == std::string::npos) {
            if (conn.in_.size() > (1 << 20) || !conn.readMore()) {
                ok = false;
                break;
            }
        }
        if (!ok) break;
        HttpRequestRecord req;
        req.tls = ssl != nullptr;
        req.connectionIndex = index;
        req.head = conn.in_.substr(0, end + 4);
        conn.in_.erase(0, end + 4);
        std::size_t lineEnd = req.head.find("\r\n");
        std::string requestLine = req.head.substr(0, lineEnd);
        req.headerBlock = req.head.substr(lineEnd + 2, req.head.size() - lineEnd - 4);
        {
            std::size_t s1 = requestLine.find(' ');
            std::size_t s2 = requestLine.rfind(' ');
            req.method = requestLine.substr(0, s1);
            if (s1 != std::string::npos && s2 > s1) {
                req.target = requestLine.substr(s1 + 1, s2 - s1 - 1);
                req.version = requestLine.substr(s2 + 1);
            }
        }
        for (const std::string& line : req.headerLines()) {
            std::size_t colon = line.find(':');
            if (colon == std::string::npos) {
                req.headers.emplace_back(line, "");
            } else {
                req.headers.emplace_back(line.substr(0, colon), trimBlanks(line.substr(colon + 1)));
            }
        }
        std::string pathAndQuery = req.target;
        if (std::size_t scheme = pathAndQuery.find("://");
            scheme != std::string::npos && pathAndQuery[0] != '/') {
            std::size_t slash = pathAndQuery.find('/', scheme + 3);
            pathAndQuery = slash == std::string::npos ? "/" : pathAndQuery.substr(slash);
        }
        std::size_t q = pathAndQuery.find('?');
        req.path = pathAndQuery.substr(0, q);
        req.query = q == std::string::npos ? "" : pathAndQuery.substr(q + 1);

        // The body.
        if (iequals(req.header("Expect"), "100-continue")) conn.write("HTTP/1.1 100 Continue\r\n\r\n");
        if (iequals(req.header("Transfer-Encoding"), "chunked")) {
            while (ok) {
                std::size_t le;
                while ((le = conn.in_.find("\r\n")) == std::string::npos)
                    if (!conn.readMore()) ok = false, le = 0;
                if (!ok) break;
                std::size_t size = std::strtoul(conn.in_.substr(0, le).c_str(), nullptr, 16);
                conn.in_.erase(0, le + 2);
                while (ok && conn.in_.size() < size + 2)
                    if (!conn.readMore()) ok = false;
                if (!ok) break;
                req.body += conn.in_.substr(0, size);
                conn.in_.erase(0, size + 2);
                if (size == 0) break;
            }
        } else {
            long long length = toNumber(req.header("Content-Length"), 0);
            while (ok && static_cast<long long>(conn.in_.size()) < length)
                if (!conn.readMore()) ok = false;
            if (!ok) break;
            req.body = conn.in_.substr(0, static_cast<std::size_t>(length));
            conn.in_.erase(0, static_cast<std::size_t>(length));
        }
        if (!ok) break;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(req);
        }
        changed_.notify_all();
        conn.headRequest_ = req.method == "HEAD";
        dispatch(req, conn);
        std::string connection = req.header("Connection");
        bool keepAlive =
            req.version == "HTTP/1.1" ? !iequals(connection, "close") : iequals(connection, "keep-alive");
        if (!keepAlive || conn.closeRequested_ || conn.resetRequested_ || conn.broken_) break;
    }
    {
        std::lock_guard lock(mutex_);
        liveFds_.erase(std::remove(liveFds_.begin(), liveFds_.end(), fd), liveFds_.end());
        if (conn.resetRequested_) {
            linger l{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        } else {
            if (ssl && ok) SSL_shutdown(ssl);
            ::shutdown(fd, SHUT_WR);
        }
        if (ssl) SSL_free(ssl);
        ::close(fd);
        --open_;
    }
    changed_.notify_all();
}

void TestServer::dispatch(const HttpRequestRecord& req, Connection& conn) {
    RawHandler raw;
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        if (auto it = rawRoutes_.find(req.path); it != rawRoutes_.end()) {
            raw = it->second;
        } else if (auto r = routes_.find(req.path); r != routes_.end()) {
            handler = r->second;
        } else if (rawFallback_) {
            raw = rawFallback_;
        } else {
            handler = fallback_;
        }
    }
    if (raw) {
        raw(req, conn);
        return;
    }
    HttpResponse res;
    handler(req, res);
    conn.writeResponse(res);
}

// ---- faults ----

namespace {

// good split at its empty line: the status line and header lines (each ending CR LF), and the body.
std::pair<std::string, std::string> splitAnswer(std::string_view good) {
    std::size_t end = good.find("\r\n\r\n");
    if (end == std::string_view::npos) return {std::string(good) + "\r\n", {}};
    return {std::string(good.substr(0, end + 2)), std::string(good.substr(end + 4))};
}

// The head without its length lines, with extra lines and a Content-Length for the body.
std::string headFor(std::string_view head, std::size_t length, std::string_view extraLines = {}) {
    std::string out;
    std::size_t at = 0;
    bool first = true;
    while (at < head.size()) {
        std::size_t end = head.find("\r\n", at);
        if (end == std::string_view::npos) end = head.size();
        std::string_view line = head.substr(at, end - at);
        at = end + 2;
        std::string_view name = line.substr(0, line.find(':'));
        if (!first && (iequals(name, "Content-Length") || iequals(name, "Transfer-Encoding"))) continue;
        out.append(line).append("\r\n");
        if (first) out.append(extraLines);
        first = false;
    }
    return out + "Content-Length: " + std::to_string(length) + "\r\n\r\n";
}

void stallUntilStopped(Connection& c) {
    while (c.sleep(50)) {
    }
    c.close();
}

}  // namespace

const char* faultName(Fault fault) {
    switch (fault) {
        case Fault::Refused:
            return "refused";
        case Fault::ResetMidBody:
            return "reset mid-body";
        case Fault::StallBeforeHead:
            return "stall before head";
        case Fault::StallAfterHead:
            return "stall after head";
        case Fault::ErrorPage:
            return "500 HTML page";
        case Fault::RedirectLoop:
            return "redirect loop";
        case Fault::Garbage:
            return "garbage bytes";
        case Fault::WrongTypes:
            return "wrong types";
        case Fault::HugeBody:
            return "100 MiB body";
        case Fault::BadEncoding:
            return "bad UTF-8/GBK";
        case Fault::ManyCookies:
            return "1000 Set-Cookie";
        case Fault::HugeHeaderLine:
            return "1 MiB header line";
        case Fault::EndlessBody:
            return "endless body";
    }
    return "?";
}

std::string badTextBytes() {
    return std::string(
        "ok \xC0\xAF \xED\xA0\x80 \x80\xBF \xF8\x88\x80\x80\x80 \xFE\xFF "
        "\xC3\x28 \xE2\x82 \xF4\x90\x80\x80 \xC4\xE3\xBA\xC3 \x81\x20 \xFF\x7F end\x81");
}

const std::string& faultErrorPage() {
    static const std::string page =
        "<!DOCTYPE html>\n<html><head><title>500 Internal Server Error</title></head>"
        "<body><h1>Internal Server Error</h1><p>服务器开小差了</p></body></html>";
    return page;
}

void playFault(Fault fault, const HttpRequestRecord& request, Connection& c, std::string_view good,
               std::string_view bent) {
    auto [head, body] = splitAnswer(good);
    switch (fault) {
        case Fault::Refused:
            c.close();
            return;
        case Fault::ResetMidBody:
            // All of the good body, but less than the head announced: an answer cut short.
            if (c.write(headFor(head, body.size() + 100000)) && c.write(body)) c.sleep(20);
            c.reset();
            return;
        case Fault::StallBeforeHead:
            stallUntilStopped(c);
            return;
        case Fault::StallAfterHead:
            if (c.write(headFor(head, body.size() + 100000))) c.write(body);
            stallUntilStopped(c);
            return;
        case Fault::ErrorPage:
            c.writeResponse({500, "", {{"Content-Type", "text/html; charset=utf-8"}}, faultErrorPage()});
            return;
        case Fault::RedirectLoop:
            c.writeResponse({302, "", {{"Location", request.target}, {"Content-Type", "text/html"}}, "loop"});
            return;
        case Fault::Garbage: {
            std::string bytes("\x00\xFF\x13garbage\r\n\r\n", 14);
            std::uint32_t x = 2463534242u;
            for (int i = 0; i < 4096; ++i) {
                x ^= x << 13, x ^= x >> 17, x ^= x << 5;
                bytes += static_cast<char>(x & 0xFF);
            }
            c.write(bytes);
            c.close();
            return;
        }
        case Fault::WrongTypes:
        case Fault::BadEncoding:
            if (c.write(headFor(head, bent.size()))) c.write(bent);
            return;
        case Fault::HugeBody: {
            if (!c.writeHead(200, "",
                             {{"Content-Type", "application/octet-stream"},
                              {"Content-Length", std::to_string(kHugeBodyBytes)}}))
                return;
            const std::size_t piece = 1 << 20;
            const std::string chunk = TestServer::patternBytes(0, piece);
            for (std::size_t sent = 0; sent < kHugeBodyBytes && !c.stopping(); sent += piece)
                if (!c.write(chunk)) return;
            return;
        }
        case Fault::ManyCookies: {
            std::string lines;
            for (int i = 0; i < 1000; ++i)
                lines += "Set-Cookie: qx" + std::to_string(i) + "=v" + std::to_string(i) + "; Path=/\r\n";
            if (c.write(headFor(head, body.size(), lines))) c.write(body);
            return;
        }
        case Fault::HugeHeaderLine: {
            std::string line = "X-Padding: " + std::string(std::size_t{1} << 20, 'a') + "\r\n";
            if (c.write(headFor(head, body.size(), line))) c.write(body);
            return;
        }
        case Fault::EndlessBody: {
            // No length: the body would end with the connection, which never comes.
            if (!c.writeHead(200, "",
                             {{"Content-Type", "application/octet-stream"}, {"Connection", "close"}}))
                return;
            const std::string chunk = TestServer::patternBytes(0, std::size_t{1} << 20);
            while (!c.stopping() && c.write(chunk)) {
            }
            return;
        }
    }
}

void TestServer::installStandardRoutes() {
    route("/echo", [](const HttpRequestRecord& req, HttpResponse& res) {
        res.add("Content-Type", "text/plain");
        res.body = req.head + req.body;
    });
    route("/status", [](const HttpRequestRecord& req, HttpResponse& res) {
        res.status = static_cast<int>(toNumber(req.param("code"), 200));
        res.reason = req.param("reason");
        res.body = req.param("body");
    });
    route("/headers", [](const HttpRequestRecord& req, HttpResponse& res) {
        for (const std::string& h : req.params("h")) {
            std::size_t colon = h.find(':');
            res.add(h.substr(0, colon), colon == std::string::npos ? "" : trimBlanks(h.substr(colon + 1)));
        }
        res.body = req.param("body");
    });
    route("/cookies", [](const HttpRequestRecord& req, HttpResponse& res) {
        for (const std::string& c : req.params("set")) res.add("Set-Cookie", c);
        res.body = req.header("Cookie");
    });
    route("/redirect", [](const HttpRequestRecord& req, HttpResponse& res) {
        res.status = static_cast<int>(toNumber(req.param("code"), 302));
        res.add("Location", req.param("to"));
        res.body = "redirect";
    });
    route("/redirect-chain", [](const HttpRequestRecord& req, HttpResponse& res) {
        long long n = toNumber(req.param("n"), 0);
        if (n <= 0) {
            res.body = "done";
            return;
        }
        res.status = 302;
        res.add("Location", "/redirect-chain?n=" + std::to_string(n - 1));
        res.body = "redirect";
    });
    route("/redirect-loop", [](const HttpRequestRecord&, HttpResponse& res) {
        res.status = 302;
        res.add("Location", "/redirect-loop");
        res.body = "loop";
    });
    rawRoute("/delay", [](const HttpRequestRecord& req, Connection& c) {
        if (!c.sleep(static_cast<int>(toNumber(req.param("ms"), 100)))) return;
        HttpResponse res;
        res.body = "delayed";
        c.writeResponse(res);
    });
    rawRoute("/stall", [](const HttpRequestRecord& req, Connection& c) {
        if (req.param("phase") == "body") {
            long long length = toNumber(req.param("length"), 100);
            long long sent = toNumber(req.param("sent"), 10);
            if (!c.writeHead(200, "", {{"Content-Length", std::to_string(length)}})) return;
            c.write(patternBytes(0, static_cast<std::size_t>(sent)));
        }
        while (c.sleep(50)) {
        }
        c.close();
    });
    rawRoute("/drip", [](const HttpRequestRecord& req, Connection& c) {
        auto n = static_cast<std::size_t>(toNumber(req.param("bytes"), 5));
        int interval = static_cast<int>(toNumber(req.param("interval"), 100));
        if (!c.writeHead(200, "", {{"Content-Length", std::to_string(n)}})) return;
        for (std::size_t i = 0; i < n; ++i) {
            if (!c.sleep(interval) || !c.write(std::string(1, patternByte(i)))) return;
        }
    });
    rawRoute("/drop", [](const HttpRequestRecord& req, Connection& c) {
        long long length = toNumber(req.param("length"), 1000);
        long long sent = toNumber(req.param("sent"), 100);
        c.writeHead(200, "", {{"Content-Length", std::to_string(length)}});
        c.write(patternBytes(0, static_cast<std::size_t>(sent)));
        c.sleep(20);
        c.reset();
    });
    rawRoute("/close", [](const HttpRequestRecord&, Connection& c) { c.close(); });
    rawRoute("/bytes", [](const HttpRequestRecord& req, Connection& c) {
        auto n = static_cast<std::size_t>(toNumber(req.param("n"), 0));
        bool chunked = req.param("chunked") == "1";
        HeaderList headers = {{"Content-Type", "application/octet-stream"}};
        headers.emplace_back(chunked ? "Transfer-Encoding" : "Content-Length",
                             chunked ? "chunked" : std::to_string(n));
        if (!c.writeHead(200, "", headers) || req.method == "HEAD") return;
        const std::size_t piece = 1 << 16;
        for (std::size_t at = 0; at < n; at += piece) {
            if (c.stopping()) return;
            std::size_t len = std::min(piece, n - at);
            if (chunked) {
                char size[32];
                std::snprintf(size, sizeof size, "%zx\r\n", len);
                if (!c.write(size)) return;
            }
            if (!c.write(patternBytes(at, len))) return;
            if (chunked && !c.write("\r\n")) return;
        }
        if (chunked) c.write("0\r\n\r\n");
    });
    rawRoute("/fault", [](const HttpRequestRecord& req, Connection& c) {
        const std::string good =
            "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n{\"name\":\"value\"}";
        for (Fault f : kAllFaults)
            if (req.param("mode") == faultName(f)) return playFault(f, req, c, good, "{\"name\":[1]}");
        c.writeResponse({400, "", {}, "unknown fault"});
    });
    rawRoute("/chunked", [](const HttpRequestRecord& req, Connection& c) {
        auto count = static_cast<std::size_t>(toNumber(req.param("count"), 3));
        auto size = static_cast<std::size_t>(toNumber(req.param("size"), 10));
        if (!c.writeHead(200, "", {{"Transfer-Encoding", "chunked"}})) return;
        for (std::size_t i = 0; i < count; ++i) {
            char line[32];
            std::snprintf(line, sizeof line, "%zx\r\n", size);
            if (!c.write(line) || !c.write(patternBytes(i * size, size)) || !c.write("\r\n")) return;
        }
        c.write("0\r\n\r\n");
    });
}

}  // namespace qx::test
