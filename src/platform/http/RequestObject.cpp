#include "platform/http/RequestObject.h"

#include <algorithm>

#include "platform/http/detail/CurlTransfer.h"
#include "platform/http/detail/HeaderList.h"

namespace qx::platform {

using detail::CurlTransfer;
using detail::Exchange;
using detail::ResponseHead;
using detail::TransferEnd;

struct RequestObject::Impl {
    CurlTransfer transfer;
    bool opened = false;
    std::string verb, url;
    detail::HeaderList headers;
    Timeouts timeouts;
    std::string proxy;
    long sslIgnoreFlags = 0;
    long enableRedirects = 1;
    std::vector<std::uint8_t> body;
    ResponseHead head;
    std::string error;
    TransferLimits limits;
    Progress progress;
};

void setTrustedCertificates(std::string pem) { detail::setTrustedCertificates(std::move(pem)); }

RequestObject::RequestObject() : impl_(std::make_unique<Impl>()) {}
RequestObject::~RequestObject() = default;

bool RequestObject::created() const { return impl_->transfer.valid(); }

bool RequestObject::open(std::string_view verb, std::string_view url, bool async) {
    Impl& m = *impl_;
    m.opened = false;
    m.headers.clear();
    m.body.clear();
    m.head = ResponseHead{};
    m.error.clear();
    if (async || !created() || !detail::isToken(verb) || !detail::isHttpUrl(url)) return false;
    m.verb = std::string(verb);
    m.url = detail::escapeUrl(url);
    m.opened = true;
    return true;
}

bool RequestObject::setRequestHeader(std::string_view name, std::string_view value) {
    if (!impl_->opened) return false;
    return impl_->headers.set(name, value);
}

void RequestObject::setTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
    auto clamp = [](int v) { return v < 0 ? 0 : v; };  // -1 waits without limit, as 0 does
    impl_->timeouts = {clamp(resolveMs), clamp(connectMs), clamp(sendMs), clamp(receiveMs)};
}

RequestObject::Timeouts RequestObject::timeouts() const { return impl_->timeouts; }

bool RequestObject::setProxy(int setting, std::string_view proxy) {
    if (setting == ProxyNamed) {
        if (proxy.empty()) return false;
        impl_->proxy = std::string(proxy);
    } else {
        impl_->proxy.clear();
    }
    return true;
}

std::string RequestObject::proxy() const { return impl_->proxy; }

bool RequestObject::setOption(int option, long value) {
    if (option == OptionSslErrorIgnoreFlags) {
        impl_->sslIgnoreFlags = value;
        return true;
    }
    if (option == OptionEnableRedirects) {
        impl_->enableRedirects = value;
        return true;
    }
    return false;
}

long RequestObject::option(int option) const {
    if (option == OptionSslErrorIgnoreFlags) return impl_->sslIgnoreFlags;
    if (option == OptionEnableRedirects) return impl_->enableRedirects;
    return 0;
}

bool RequestObject::send(std::string_view body, std::stop_token stop) {
    return sendBytes(std::string(body), stop);
}

bool RequestObject::send(const std::vector<std::uint8_t>& body, std::stop_token stop) {
    return sendBytes(std::string(body.begin(), body.end()), stop);
}

void RequestObject::setLimits(TransferLimits limits) { impl_->limits = limits; }

void RequestObject::setProgress(Progress progress) { impl_->progress = std::move(progress); }

bool RequestObject::sendBytes(std::string bodyBytes, std::stop_token stop) {
    Impl& m = *impl_;
    m.body.clear();
    m.head = ResponseHead{};
    m.error.clear();
    if (!m.opened) {
        m.error = "not opened";
        return false;
    }
    Exchange exchange;
    exchange.verb = m.verb;
    exchange.url = m.url;
    // The system object sends no body with GET, and a HEAD has none.
    exchange.sendBody =
        m.verb != "GET" && m.verb != "HEAD" && (!bodyBytes.empty() || m.verb == "POST" || m.verb == "PUT");
    if (exchange.sendBody) exchange.body = std::move(bodyBytes);
    detail::HeaderSlist list = m.headers.toSlist();
    if (!list.ok()) {
        m.error = "out of memory";
        return false;
    }
    exchange.headers = list.get();
    exchange.followRedirects = m.enableRedirects != 0;
    exchange.maxRedirects = 10;
    exchange.verifyPeer =
        (m.sslIgnoreFlags & (IgnoreUnknownCa | IgnoreWrongUsage | IgnoreCertDateInvalid)) == 0;
    exchange.verifyHost = (m.sslIgnoreFlags & IgnoreCertCnInvalid) == 0;
    exchange.proxy = detail::proxyFor(m.proxy, m.url.size() > 5 && (m.url[4] == 's' || m.url[4] == 'S'));
    exchange.cookieEngine = true;
    const Timeouts& t = m.timeouts;
    // libcurl bounds resolve, connect and the TLS handshake as one phase: the longer of the two
    // limits, not their sum, keeps a silent handshake to the limit the caller set.
    exchange.connectMs = t.connectMs > 0 ? std::max(t.connectMs, t.resolveMs) : 0;
    exchange.sendIdleMs = t.sendMs;
    exchange.receiveIdleMs = t.receiveMs;
    exchange.deadline = m.limits.deadline;
    exchange.maxBodyBytes = m.limits.maxBodyBytes;

    std::function<void(std::size_t)> progress;
    if (m.progress)
        progress = [&m](std::size_t received) { m.progress(received, m.transfer.head().contentLength); };
    detail::TransferResult result = m.transfer.runIntoBuffer(exchange, stop, m.body, progress);
    m.head = m.transfer.head();
    if (result.ok()) return true;
    m.body.clear();
    m.body.shrink_to_fit();
    switch (result.end) {
        case TransferEnd::Stopped:
            m.error = "stopped";
            break;
        case TransferEnd::TimedOut:
            m.error = "timed out";
            break;
        case TransferEnd::TooManyRedirects:
            m.error = "too many redirects";
            break;
        case TransferEnd::TooLarge:
            m.error = "answer too large";
            break;
        default:
            m.error = detail::curl::easy_strerror(result.code);
            break;
    }
    return false;
}

const std::vector<std::uint8_t>& RequestObject::responseBody() const { return impl_->body; }

std::vector<std::uint8_t> RequestObject::takeResponseBody() { return std::move(impl_->body); }

std::string RequestObject::getAllResponseHeaders() const { return impl_->head.headerLines; }

std::string RequestObject::getResponseHeader(std::string_view name) const {
    return detail::headerValue(impl_->head.headerLines, name);
}

int RequestObject::status() const { return impl_->head.status; }

std::string RequestObject::statusText() const { return detail::reasonPhrase(impl_->head.statusLine); }

std::string RequestObject::errorText() const { return impl_->error; }

}  // namespace qx::platform
