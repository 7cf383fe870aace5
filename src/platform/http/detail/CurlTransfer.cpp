#include "platform/http/detail/CurlTransfer.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/http/detail/ConnectionShare.h"
#include "platform/text/Ascii.h"

namespace qx::platform::detail {

namespace {

using Clock = std::chrono::steady_clock;

std::mutex trustedMutex;
std::string trustedPem;

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// True for an absolute URL of a scheme other than http(s): such a redirect is not followed.
bool hasOtherScheme(std::string_view location) {
    std::size_t colon = location.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        char c = location[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok) return false;  // a relative reference that merely holds a ':'
    }
    return !isHttpUrl(location);
}

bool isRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The test and service-double override: QUORVEX_CONNECT_TO="host:port:host2:port2,..."
curl_slist* connectToFromEnvironment() {
    const char* value = std::getenv("QUORVEX_CONNECT_TO");
    if (!value || !*value) return nullptr;
    curl_slist* list = nullptr;
    std::string_view all(value);
    while (!all.empty()) {
        std::size_t comma = all.find(',');
        std::string entry(trimmed(all.substr(0, comma)));
        if (!entry.empty()) {
            curl_slist* next = curl::slist_append(list, entry.c_str());
            if (next) list = next;
        }
        if (comma == std::string_view::npos) break;
        all.remove_prefix(comma + 1);
    }
    return list;
}

std::string readWholeFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The system's bundle plus the certificates of QUORVEX_EXTRA_CA_FILE; "" when the variable is
// unset (libcurl then reads the system's bundle itself).
std::string systemPlusExtraCertificates(CURL* h) {
    const char* extra = std::getenv("QUORVEX_EXTRA_CA_FILE");
    if (!extra || !*extra) return {};
    char* systemBundle = nullptr;
    curl::easy_getinfo(h, CURLINFO_CAINFO, &systemBundle);
    std::string pem = systemBundle ? readWholeFile(systemBundle) : std::string();
    if (!pem.empty() && pem.back() != '\n') pem += '\n';
    return pem + readWholeFile(extra);
}

}  // namespace

void ensureCurlReady() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl::available();  // loads and initialises libcurl
        // A peer that closes while we write must give an error, not end the process.
        std::signal(SIGPIPE, SIG_IGN);
    });
}

void setTrustedCertificates(std::string pem) {
    std::lock_guard lock(trustedMutex);
    trustedPem = std::move(pem);
}

bool isHttpUrl(std::string_view url) {
    return startsWithIgnoreCaseAscii(url, "http://") || startsWithIgnoreCaseAscii(url, "https://");
}

std::string proxyFor(std::string_view list, bool https) {
    std::string plain, scheme;
    while (!list.empty()) {
        std::size_t end = list.find_first_of("; ");
        std::string_view entry = trimmed(list.substr(0, end));
        if (!entry.empty()) {
            std::size_t eq = entry.find('=');
            if (eq == std::string_view::npos) {
                if (plain.empty()) plain = std::string(entry);
            } else if (scheme.empty()) {
                std::string_view name = entry.substr(0, eq);
                if ((https && startsWithIgnoreCaseAscii(name, "https") && name.size() == 5) ||
                    (!https && startsWithIgnoreCaseAscii(name, "http") && name.size() == 4))
                    scheme = std::string(entry.substr(eq + 1));
            }
        }
        if (end == std::string_view::npos) break;
        list.remove_prefix(end + 1);
    }
    std::string chosen = scheme.empty() ? plain : scheme;
    if (chosen.empty()) return {};
    if (chosen.find("://") == std::string::npos) chosen = "http://" + chosen;
    return chosen;
}

std::string escapeUrl(std::string_view url) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (unsigned char c : url) {
        if (c >= 0x80 || c <= 0x20 || c == 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

CurlTransfer::CurlTransfer() {
    ensureCurlReady();
    easy_ = curl::easy_init();
}

CurlTransfer::~CurlTransfer() {
    if (ownMulti_) curl::multi_cleanup(ownMulti_);
    if (easy_) curl::easy_cleanup(easy_);
    curl::slist_free_all(connectTo_);
}

std::size_t CurlTransfer::headerCallback(char* data, std::size_t size, std::size_t n, void* p) {
    auto* self = static_cast<CurlTransfer*>(p);
    std::size_t total = size * n;
    if (self->stop_ && self->stop_->stop_requested()) {
        self->stopSeen_ = true;
        return 0;
    }
    self->lastActivity_ = Clock::now();
    std::string_view line(data, total);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    ResponseHead& head = self->head_;
    if (startsWithIgnoreCaseAscii(line, "HTTP/")) {
        head = ResponseHead{};
        head.statusLine = std::string(line);
        std::size_t space = line.find(' ');
        head.status =
            space == std::string_view::npos ? 0 : std::atoi(std::string(line.substr(space + 1, 3)).c_str());
        self->isFinal_ = false;
        return total;
    }
    if (head.statusLine.empty() || head.complete) return total;  // nothing sensible to attach it to
    if (!line.empty()) {
        head.headerLines.append(line.data(), line.size());
        head.headerLines += "\r\n";
        std::size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            std::string_view name = trimmed(line.substr(0, colon));
            std::string_view value = trimmed(line.substr(colon + 1));
            if (name.size() == 8 && startsWithIgnoreCaseAscii(name, "location")) {
                head.location = std::string(value);
            } else if (name.size() == 14 && startsWithIgnoreCaseAscii(name, "content-length")) {
                head.contentLength = std::atoll(std::string(value).c_str());
            }
        }
        return total;
    }
    // The empty line: the head is complete.
    if (head.status >= 100 && head.status < 200 && head.status != 101) {
        head = ResponseHead{};  // an interim answer; the real one follows
        return total;
    }
    head.complete = true;
    bool redirect = false;
    if (self->follow_ && isRedirectStatus(head.status) && !head.location.empty())
        redirect = !hasOtherScheme(head.location);
    if (redirect) {
        if (self->redirects_ >= self->maxRedirects_) {
            self->tooMany_ = true;
            return 0;
        }
        self->isFinal_ = false;
        return total;
    }
    self->isFinal_ = true;
    if (self->onHead && !self->onHead(head)) {
        self->refused_ = true;
        return 0;
    }
    return total;
}

std::size_t CurlTransfer::writeCallback(char* data, std::size_t size, std::size_t n, void* p) {
    auto* self = static_cast<CurlTransfer*>(p);
    std::size_t total = size * n;
    if (self->stop_ && self->stop_->stop_requested()) {
        self->stopSeen_ = true;
        return CURL_WRITEFUNC_ERROR;
    }
    self->lastActivity_ = Clock::now();
    if (!self->isFinal_) return total;  // the body of a redirect we follow
    self->bodyBytes_ += total;
    if (self->maxBodyBytes_ > 0 && self->bodyBytes_ > self->maxBodyBytes_) {
        self->tooLarge_ = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (self->onBody && !self->onBody(data, total)) {
        self->refused_ = true;
        return CURL_WRITEFUNC_ERROR;
    }
    return total;
}

int CurlTransfer::prereqCallback(void* p, char*, char*, int, int) {
    auto* self = static_cast<CurlTransfer*>(p);
    self->connected_ = true;
    self->lastActivity_ = Clock::now();
    return CURL_PREREQFUNC_OK;
}

void CurlTransfer::resetHandle() {
    // libcurl 7.88 loses the list behind CURLOPT_COOKIEFILE on curl::easy_reset(one leaked
    // entry per request). Clearing that option frees it, but also the jar: keep the cookies
    // and give them back to the next exchange.
    if (cookieEngineOn_) {
        curl_slist* cookies = nullptr;
        if (curl::easy_getinfo(easy_, CURLINFO_COOKIELIST, &cookies) == CURLE_OK) {
            for (curl_slist* c = cookies; c; c = c->next) savedCookies_.emplace_back(c->data);
            curl::slist_free_all(cookies);
        }
        curl::easy_setopt(easy_, CURLOPT_COOKIEFILE, nullptr);
        cookieEngineOn_ = false;
    }
    curl::easy_reset(easy_);
}

bool CurlTransfer::applyExchange(const Exchange& exchange) {
    CURL* h = easy_;
    resetHandle();
    bool ok = true;
    auto set = [&ok](CURLcode c) { ok = ok && c == CURLE_OK; };
    set(curl::easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
    // TLS sessions and DNS answers from the process's share (none when sharing is off).
    set(curl::easy_setopt(h, CURLOPT_SHARE, share_));
    set(curl::easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl::easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
    set(curl::easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L));
    set(curl::easy_setopt(h, CURLOPT_PATH_AS_IS, 1L));
    set(curl::easy_setopt(h, CURLOPT_HTTP_VERSION,
                          exchange.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1));
    set(curl::easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L));
    set(curl::easy_setopt(h, CURLOPT_HTTPHEADER, exchange.headers));
    set(curl::easy_setopt(h, CURLOPT_HEADERFUNCTION, &CurlTransfer::headerCallback));
    set(curl::easy_setopt(h, CURLOPT_HEADERDATA, this));
    set(curl::easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlTransfer::writeCallback));
    set(curl::easy_setopt(h, CURLOPT_WRITEDATA, this));
    set(curl::easy_setopt(h, CURLOPT_PREREQFUNCTION, &CurlTransfer::prereqCallback));
    set(curl::easy_setopt(h, CURLOPT_PREREQDATA, this));
    set(curl::easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
    // An explicit empty proxy also keeps libcurl away from the *_proxy environment variables.
    set(curl::easy_setopt(h, CURLOPT_PROXY, exchange.proxy.c_str()));
    if (!exchange.proxy.empty() && !exchange.proxyUser.empty()) {
        set(curl::easy_setopt(h, CURLOPT_PROXYUSERNAME, exchange.proxyUser.c_str()));
        set(curl::easy_setopt(h, CURLOPT_PROXYPASSWORD, exchange.proxyPassword.c_str()));
        set(curl::easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC)));
    }
    if (!exchange.serverUser.empty()) {
        set(curl::easy_setopt(h, CURLOPT_USERNAME, exchange.serverUser.c_str()));
        set(curl::easy_setopt(h, CURLOPT_PASSWORD, exchange.serverPassword.c_str()));
        set(curl::easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)));
    }
    set(curl::easy_setopt(h, CURLOPT_SSL_VERIFYPEER, exchange.verifyPeer ? 1L : 0L));
    set(curl::easy_setopt(h, CURLOPT_SSL_VERIFYHOST, exchange.verifyHost ? 2L : 0L));
    {
        std::lock_guard lock(trustedMutex);
        trustedPem_ = trustedPem;
    }
    if (trustedPem_.empty() && exchange.verifyPeer) trustedPem_ = systemPlusExtraCertificates(h);
    if (!trustedPem_.empty()) {
        curl_blob blob{trustedPem_.data(), trustedPem_.size(), CURL_BLOB_NOCOPY};
        set(curl::easy_setopt(h, CURLOPT_CAINFO_BLOB, &blob));
    }
    if (exchange.cookieEngine) {
        set(curl::easy_setopt(h, CURLOPT_COOKIEFILE, ""));
        cookieEngineOn_ = true;
        for (const std::string& line : savedCookies_) curl::easy_setopt(h, CURLOPT_COOKIELIST, line.c_str());
        savedCookies_.clear();
    }
    if (!exchange.userAgent.empty()) set(curl::easy_setopt(h, CURLOPT_USERAGENT, exchange.userAgent.c_str()));
    set(curl::easy_setopt(h, CURLOPT_BUFFERSIZE, exchange.bufferSize));
    long connectMs = exchange.connectMs;
    if (exchange.deadline.count() > 0 && (connectMs == 0 || exchange.deadline.count() < connectMs))
        connectMs = static_cast<long>(exchange.deadline.count());
    set(curl::easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, connectMs));
    curl::slist_free_all(connectTo_);
    connectTo_ = connectToFromEnvironment();
    set(curl::easy_setopt(h, CURLOPT_CONNECT_TO, connectTo_));
    return ok;
}

void CurlTransfer::applyMethod(const std::string& verb, const std::string& body, bool sendBody) {
    CURL* h = easy_;
    curl::easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);
    curl::easy_setopt(h, CURLOPT_NOBODY, 0L);
    curl::easy_setopt(h, CURLOPT_HTTPGET, 1L);
    if (verb == "HEAD") {
        curl::easy_setopt(h, CURLOPT_NOBODY, 1L);
        return;
    }
    if (verb == "GET" && !sendBody) return;
    if (sendBody) {
        curl::easy_setopt(h, CURLOPT_POST, 1L);
        curl::easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl::easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    }
    if (verb != "POST") curl::easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
}

TransferResult CurlTransfer::performOnce(const Exchange& exchange, bool sendBody, std::stop_token& stop) {
    head_ = ResponseHead{};
    connected_ = false;
    isFinal_ = false;
    refused_ = false;
    stopSeen_ = false;
    tooMany_ = false;
    tooLarge_ = false;
    bodyBytes_ = 0;
    stop_ = &stop;
    lastActivity_ = Clock::now();

    TransferResult result;
    result.end = TransferEnd::Completed;
    if (curl::multi_add_handle(multi_, easy_) != CURLM_OK) {
        result.end = TransferEnd::Failed;
        stop_ = nullptr;
        return result;
    }
    curl_off_t lastUp = 0;
    {
        CURLM* multi = multi_;
        std::stop_callback wake(stop, [multi] { curl::multi_wakeup(multi); });
        while (true) {
            int running = 0;
            if (curl::multi_perform(multi_, &running) != CURLM_OK) {
                result.end = TransferEnd::Failed;
                break;
            }
            if (!running) break;
            if (stop.stop_requested()) {
                result.end = TransferEnd::Stopped;
                break;
            }
            curl_off_t up = 0;
            curl::easy_getinfo(easy_, CURLINFO_SIZE_UPLOAD_T, &up);
            auto now = Clock::now();
            if (deadlineAt_ != Clock::time_point{} && now >= deadlineAt_) {
                result.end = TransferEnd::TimedOut;
                break;
            }
            if (up != lastUp) {
                lastUp = up;
                lastActivity_ = now;
            }
            if (connected_) {
                bool sending = sendBody && head_.statusLine.empty() &&
                               up < static_cast<curl_off_t>(exchange.body.size());
                long limit = sending ? exchange.sendIdleMs : exchange.receiveIdleMs;
                if (limit > 0 && now - lastActivity_ >= std::chrono::milliseconds(limit)) {
                    result.end = TransferEnd::TimedOut;
                    break;
                }
            }
            curl::multi_poll(multi_, nullptr, 0, 50, nullptr);
        }
    }
    if (result.end == TransferEnd::Completed) {
        int left = 0;
        while (CURLMsg* msg = curl::multi_info_read(multi_, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy_) result.code = msg->data.result;
        }
        if (result.code != CURLE_OK) {
            if (stopSeen_ || stop.stop_requested()) {
                result.end = TransferEnd::Stopped;
            } else if (tooMany_) {
                result.end = TransferEnd::TooManyRedirects;
            } else if (tooLarge_) {
                result.end = TransferEnd::TooLarge;
            } else if (refused_) {
                result.end = TransferEnd::Refused;
            } else if (result.code == CURLE_OPERATION_TIMEDOUT) {
                result.end = TransferEnd::TimedOut;
            } else {
                result.end = TransferEnd::Failed;
            }
        }
    }
    curl::multi_remove_handle(multi_, easy_);
    stop_ = nullptr;
    if (!connected_) {
        result.phase = TransferPhase::Connecting;
    } else if (head_.statusLine.empty()) {
        result.phase = TransferPhase::Sending;
    } else if (!head_.complete) {
        result.phase = TransferPhase::ReceivingHead;
    } else {
        result.phase = TransferPhase::ReceivingBody;
    }
    return result;
}

TransferResult CurlTransfer::run(const Exchange& exchange, std::stop_token stop) {
    share_ = processShare();
    ThreadConnections connections;
    if (connections.multi()) {
        multi_ = connections.multi();
    } else {
        if (!ownMulti_) ownMulti_ = curl::multi_init();
        multi_ = ownMulti_;
    }
    TransferResult result = runExchange(exchange, stop);
    multi_ = nullptr;
    return result;
}

TransferResult CurlTransfer::runExchange(const Exchange& exchange, std::stop_token& stop) {
    TransferResult result;
    if (!valid() || !multi_ || !isHttpUrl(exchange.url)) return result;
    if (!applyExchange(exchange)) return result;
    follow_ = exchange.followRedirects;
    maxRedirects_ = exchange.maxRedirects;
    maxBodyBytes_ = exchange.maxBodyBytes;
    deadlineAt_ = exchange.deadline.count() > 0 ? Clock::now() + exchange.deadline : Clock::time_point{};
    redirects_ = 0;
    std::string url = exchange.url;
    std::string verb = exchange.verb;
    bool sendBody = exchange.sendBody;
    while (true) {
        if (curl::easy_setopt(easy_, CURLOPT_URL, url.c_str()) != CURLE_OK) return result;
        // libcurl does not copy the body: it stays in the caller's Exchange for the whole run.
        applyMethod(verb, exchange.body, sendBody);
        result = performOnce(exchange, sendBody, stop);
        result.redirects = redirects_;
        if (!result.ok() || isFinal_) return result;
        char* next = nullptr;
        curl::easy_getinfo(easy_, CURLINFO_REDIRECT_URL, &next);
        if (!next) return result;
        url = next;
        ++redirects_;
        int status = head_.status;
        if ((status == 303 && verb != "HEAD") || ((status == 301 || status == 302) && verb == "POST")) {
            verb = "GET";
            sendBody = false;
        }
    }
}

TransferResult CurlTransfer::runIntoBuffer(const Exchange& exchange, std::stop_token stop,
                                           std::vector<std::uint8_t>& body,
                                           const std::function<void(std::size_t)>& progress) {
    body.clear();
    onHead = [&body](const ResponseHead& head) {
        // Room for the announced body up front, within reason (the length is the server's word).
        if (head.contentLength > 0)
            body.reserve(static_cast<std::size_t>(std::min<long long>(head.contentLength, 64LL << 20)));
        return true;
    };
    onBody = [&body, &progress](const char* data, std::size_t n) {
        body.insert(body.end(), reinterpret_cast<const std::uint8_t*>(data),
                    reinterpret_cast<const std::uint8_t*>(data) + n);
        if (progress) progress(body.size());
        return true;
    };
    TransferResult result = run(exchange, std::move(stop));
    onHead = nullptr;
    onBody = nullptr;
    return result;
}

}  // namespace qx::platform::detail
