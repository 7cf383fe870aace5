#include "platform/http/NativeHttp.h"

#include <algorithm>
#include <cstdlib>

#include "platform/http/detail/CurlTransfer.h"
#include "platform/http/detail/HeaderList.h"
#include "platform/text/Ascii.h"

namespace qx::platform {

using detail::CurlTransfer;
using detail::Exchange;
using detail::TransferEnd;
using detail::TransferPhase;

namespace {


bool validHost(std::string_view host) {
    if (host.empty() || host.size() > 255) return false;
    for (unsigned char c : host)
        if (c <= 0x20 || c == 0x7F || c == '/' || c == '?' || c == '#' || c == '@' || c == '\\') return false;
    return true;
}

}  // namespace

bool nativeHttpAvailable() {
    detail::ensureCurlReady();
    const curl_version_info_data* info = detail::curl::version_info(CURLVERSION_NOW);
    if (!info || !info->protocols) return false;
    bool http = false, https = false;
    for (const char* const* p = info->protocols; *p; ++p) {
        std::string_view name(*p);
        http = http || name == "http";
        https = https || name == "https";
    }
    return http && https;
}

bool crackUrl(std::string_view url, CrackedUrl& out) {
    out = CrackedUrl{};
    if (startsWithIgnoreCaseAscii(url, "http://")) {
        url.remove_prefix(7);
    } else if (startsWithIgnoreCaseAscii(url, "https://")) {
        out.https = true;
        url.remove_prefix(8);
    } else {
        return false;
    }
    std::size_t end = url.find_first_of("/?#");
    std::string_view authority = url.substr(0, end);
    std::string_view rest = end == std::string_view::npos ? std::string_view() : url.substr(end);
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    std::string_view host = authority, port;
    if (!authority.empty() && authority.front() == '[') {
        std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return false;
        host = authority.substr(0, close + 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return false;
            port = after.substr(1);
        }
    } else if (std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    out.host = std::string(host);
    out.port = out.https ? 443 : 80;
    if (!port.empty()) {
        if (port.size() > 5) return false;
        int value = 0;
        for (char c : port) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        if (value > 65535) return false;
        if (value != 0) out.port = value;
    }
    std::size_t q = rest.find_first_of("?#");
    out.path = std::string(rest.substr(0, q));
    out.extra = q == std::string_view::npos ? std::string() : std::string(rest.substr(q));
    return true;
}

struct NativeHttp::Impl {
    enum Stage { None, Session, Connected, Requested, Sent };
    Stage stage = None;
    CurlTransfer transfer;
    std::string proxyName;
    long connectMs = 0, sendMs = 0, receiveMs = 0;
    TransferLimits limits;
    std::string host;
    int port = 0;
    std::string verb, url;
    bool secure = false;
    std::string serverUser, serverPassword, proxyUser, proxyPassword;
    long securityFlags = 0;
    bool cookies = false;
    bool redirects = true;
    std::vector<std::string> headerLines;
    std::string proxyUsed;
    // Outcome of the transfer, by step.
    bool sendOk = false, receiveOk = false, readOk = false;
    std::vector<std::uint8_t> body;
    std::string raw;
};

NativeHttp::NativeHttp() : impl_(std::make_unique<Impl>()) {}
NativeHttp::~NativeHttp() = default;

bool NativeHttp::openSession(int accessType, std::string_view proxyName) {
    Impl& m = *impl_;
    if (m.stage != Impl::None || !m.transfer.valid()) return false;
    if (accessType == AccessNamedProxy) {
        if (proxyName.empty()) return false;
        m.proxyName = std::string(proxyName);
    } else if (accessType != AccessNoProxy) {
        return false;
    }
    m.stage = Impl::Session;
    return true;
}

void NativeHttp::setLimits(TransferLimits limits) { impl_->limits = limits; }

bool NativeHttp::setTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
    Impl& m = *impl_;
    if (m.stage == Impl::None || resolveMs < -1 || connectMs < -1 || sendMs < -1 || receiveMs < -1)
        return false;
    auto clamp = [](int v) { return v < 0 ? 0L : static_cast<long>(v); };
    m.connectMs = clamp(connectMs) > 0 ? std::max(clamp(connectMs), clamp(resolveMs)) : 0;
    m.sendMs = clamp(sendMs);
    m.receiveMs = clamp(receiveMs);
    return true;
}

bool NativeHttp::connect(std::string_view host, int port) {
    Impl& m = *impl_;
    if (m.stage != Impl::Session || !validHost(host) || port < 0 || port > 65535) return false;
    m.host = std::string(host);
    m.port = port;
    m.stage = Impl::Connected;
    return true;
}

bool NativeHttp::openRequest(std::string_view verb, std::string_view objectName, bool secure) {
    Impl& m = *impl_;
    if (m.stage != Impl::Connected || !detail::isToken(verb)) return false;
    if (!objectName.empty() && objectName.front() != '/') return false;
    m.verb = std::string(verb);
    m.secure = secure;
    int port = m.port != 0 ? m.port : (secure ? 443 : 80);
    m.url =
        detail::escapeUrl(std::string(secure ? "https://" : "http://") + m.host + ":" + std::to_string(port) +
                          (objectName.empty() ? std::string("/") : std::string(objectName)));
    m.stage = Impl::Requested;
    return true;
}

bool NativeHttp::setCredentials(int target, int scheme, std::string_view user, std::string_view password) {
    Impl& m = *impl_;
    if (m.stage != Impl::Requested || scheme != SchemeBasic || user.empty()) return false;
    if (target == TargetServer) {
        m.serverUser = std::string(user);
        m.serverPassword = std::string(password);
    } else if (target == TargetProxy) {
        m.proxyUser = std::string(user);
        m.proxyPassword = std::string(password);
    } else {
        return false;
    }
    return true;
}

bool NativeHttp::setSecurityFlags(long flags) {
    if (impl_->stage != Impl::Requested || (flags & ~0x3300L) != 0) return false;
    impl_->securityFlags = flags;
    return true;
}

bool NativeHttp::setCookiesEnabled(bool enabled) {
    if (impl_->stage != Impl::Requested) return false;
    impl_->cookies = enabled;
    return true;
}

bool NativeHttp::setRedirectsEnabled(bool enabled) {
    if (impl_->stage != Impl::Requested) return false;
    impl_->redirects = enabled;
    return true;
}

bool NativeHttp::addRequestHeaders(std::string_view block) {
    Impl& m = *impl_;
    if (m.stage != Impl::Requested) return false;
    std::vector<std::string> lines;
    while (!block.empty()) {
        std::size_t end = block.find("\r\n");
        std::string_view line = block.substr(0, end);
        if (!line.empty()) {
            std::size_t colon = line.find(':');
            std::string_view name = line.substr(0, colon == std::string_view::npos ? 0 : colon);
            while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
            if (colon == std::string_view::npos || !detail::isToken(name) ||
                line.find_first_of("\r\n") != std::string_view::npos ||
                line.find('\0') != std::string_view::npos)
                return false;
            lines.emplace_back(line);
        }
        if (end == std::string_view::npos) break;
        block.remove_prefix(end + 2);
    }
    m.headerLines.insert(m.headerLines.end(), lines.begin(), lines.end());
    return true;
}

bool NativeHttp::sendRequest(const std::vector<std::uint8_t>& body, std::stop_token stop) {
    Impl& m = *impl_;
    if (m.stage != Impl::Requested) return false;
    m.stage = Impl::Sent;
    detail::HeaderSlist headers = detail::HeaderSlist::fromLines(m.headerLines);
    if (!headers.ok()) return false;
    Exchange exchange;
    exchange.verb = m.verb;
    exchange.url = m.url;
    exchange.body.assign(body.begin(), body.end());
    exchange.sendBody = m.verb != "GET" && m.verb != "HEAD"
                            ? (!body.empty() || m.verb == "POST" || m.verb == "PUT")
                            : !body.empty() && m.verb == "GET";
    exchange.headers = headers.get();
    exchange.followRedirects = m.redirects;
    exchange.verifyPeer = (m.securityFlags & 0x2300) == 0;
    exchange.verifyHost = (m.securityFlags & 0x1000) == 0;
    exchange.proxy = detail::proxyFor(m.proxyName, m.secure);
    m.proxyUsed = exchange.proxy;
    exchange.serverUser = m.serverUser;
    exchange.serverPassword = m.serverPassword;
    exchange.proxyUser = m.proxyUser;
    exchange.proxyPassword = m.proxyPassword;
    exchange.cookieEngine = m.cookies;
    exchange.connectMs = m.connectMs;
    exchange.sendIdleMs = m.sendMs;
    exchange.receiveIdleMs = m.receiveMs;
    exchange.deadline = m.limits.deadline;
    exchange.maxBodyBytes = m.limits.maxBodyBytes;
    detail::TransferResult r = m.transfer.runIntoBuffer(exchange, stop, m.body);
    const detail::ResponseHead& head = m.transfer.head();
    if (head.complete) m.raw = head.statusLine + "\r\n" + head.headerLines + "\r\n";
    if (r.ok()) {
        m.sendOk = m.receiveOk = m.readOk = true;
        return true;
    }
    // Map the failure to the step that would have reported it.
    if (r.redirects > 0 || r.end == TransferEnd::TooManyRedirects) {
        m.sendOk = true;  // redirects happen while the answer is received
    } else if (r.phase == TransferPhase::Connecting) {
        m.sendOk = false;
    } else if (r.phase == TransferPhase::Sending) {
        m.sendOk = r.code != CURLE_SEND_ERROR;
    } else {
        m.sendOk = true;
    }
    m.receiveOk = m.sendOk && r.phase == TransferPhase::ReceivingBody &&
                  r.end != TransferEnd::TooManyRedirects && head.complete;
    m.readOk = false;
    if (!m.receiveOk) m.raw.clear();
    return m.sendOk;
}

bool NativeHttp::receiveResponse() { return impl_->stage == Impl::Sent && impl_->receiveOk; }

bool NativeHttp::readData(std::vector<std::uint8_t>& body) {
    if (impl_->stage != Impl::Sent || !impl_->receiveOk) return false;
    if (!impl_->readOk) return false;
    body = std::move(impl_->body);
    impl_->body.clear();
    return true;
}

std::string NativeHttp::rawHeaders() const { return impl_->raw; }
std::string NativeHttp::requestUrl() const { return impl_->url; }
std::string NativeHttp::proxyUsed() const { return impl_->proxyUsed; }

void NativeHttp::close() {
    Impl& m = *impl_;
    m.stage = Impl::None;
    m.headerLines.clear();
    m.body.clear();
    m.body.shrink_to_fit();
}

}  // namespace qx::platform
