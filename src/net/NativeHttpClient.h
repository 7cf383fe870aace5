#pragma once
// The native HTTP client: one exchange step by step (session, connection, request), every
// failure reported as a numbered message in statusText, the redirect target in location, and
// pages that declare another charset than GBK decoded.
#include <string_view>

#include "core/Text.h"
#include "net/HttpRequest.h"

namespace qx::net {

// Where an exchange can fail, in step order. The numbers are those users know from the messages;
// the certificate step has none.
enum class NativeFailure {
    NotSupported = 700,
    BadUrl = 701,
    Session = 702,
    Connection = 703,
    Request = 704,
    Timeouts = 705,
    Certificate,
    Credentials = 707,
    Cookies = 708,
    Redirects = 709,
    Headers = 710,
    Send = 711,
    NoResponse = 712,
    Read = 713,
};
Text nativeFailureText(NativeFailure failure);

// Returns the body as GBK text; empty on any failure (statusText then holds the message).
Text nativeHttpRequest(HttpRequestOptions& options);

// Text after name + ": " of the first line starting with name (exact); empty when none.
Text headerValueOf(std::string_view block, std::string_view name);

// The steps' pieces, for the tests and the curious.
struct NativeSessionSettings {
    int accessType = 1;  // 1 no proxy, 3 named proxy
    Text proxyName;      // the proxy for https, "http=" + proxy for http
};
NativeSessionSettings nativeSessionSettings(std::string_view proxy, bool https);
int nativeTimeoutMs(int timeoutSeconds);  // 0 or less: 30000
// The request header block as it is handed over (defaults, names, keep-alive, cookie line).
Text nativeHeaderBlock(const HttpRequestOptions& options);
// The charset a page declares in its first 1024 bytes ("" when none).
Text declaredCharset(std::string_view page);

}  // namespace qx::net
