#pragma once
// The scripted HTTP request object the program's request code drives: open, request headers,
// time-outs, proxy, options, send, and the response. On libcurl, HTTP/1.1 only.
//
// What callers rely on:
// - Only what the caller sets goes out, besides Host and (for a body) Content-Length: no hidden
//   Accept, Expect, Content-Type or User-Agent, no Accept-Encoding, and the body is handed back
//   exactly as it came (no decompression).
// - Redirects 301/302/303/307/308 are followed, at most 10 in a row (POST becomes GET on
//   301-303); option 6 = 0 hands back the redirect answer itself.
// - The receive time-out is an idle time-out: a slow but steady answer is never cut.
// - No proxy unless setProxy names one (the environment's proxy settings are not read).
// - Cookies the server sets are kept by the object for its later requests and redirects.
// - Every transport of platform/http honours QUORVEX_CONNECT_TO (see README).
//
// Strings that the system object took as Unicode (url, a string body) are UTF-8 here; header
// names and values are bytes and go out as they are. Nothing throws.
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http/Limits.h"

namespace qx::platform {

class RequestObject {
  public:
    // Option numbers.
    static constexpr int OptionSslErrorIgnoreFlags = 4;
    static constexpr int OptionEnableRedirects = 6;
    // Certificate errors that option 4 can ignore.
    static constexpr long IgnoreUnknownCa = 0x0100;
    static constexpr long IgnoreWrongUsage = 0x0200;
    static constexpr long IgnoreCertCnInvalid = 0x1000;
    static constexpr long IgnoreCertDateInvalid = 0x2000;
    // setProxy settings.
    static constexpr int ProxyDefault = 0;
    static constexpr int ProxyDirect = 1;
    static constexpr int ProxyNamed = 2;

    struct Timeouts {  // milliseconds; 0 waits without limit
        int resolveMs = 0;
        int connectMs = 60000;
        int sendMs = 30000;
        int receiveMs = 30000;
    };

    RequestObject();
    ~RequestObject();
    RequestObject(const RequestObject&) = delete;
    RequestObject& operator=(const RequestObject&) = delete;

    // False when the transport could not be set up (the object is unusable).
    bool created() const;

    // Starts a new request: forgets the previous request's headers and response. Only
    // synchronous use is supported (async must be false). False for an unusable verb or a URL
    // that is not http or https.
    bool open(std::string_view verb, std::string_view url, bool async = false);
    // Adds the line "name: value". A name given twice is sent twice, in call order. An empty
    // value sends nothing and drops the earlier lines of that name. A name or value that would
    // break the header block (CR, LF, a ':' or blank in the name) is refused.
    bool setRequestHeader(std::string_view name, std::string_view value);
    void setTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs);
    // A whole-request deadline and a body cap for the next sends (none by default).
    void setLimits(TransferLimits limits);
    // Called on the sending thread after every piece of the final answer's body: the bytes so
    // far and the announced length (-1: none). Empty: nobody listens.
    using Progress = std::function<void(std::size_t received, long long total)>;
    void setProgress(Progress progress);
    Timeouts timeouts() const;
    // Named proxy "host:port" (or "http=host:port;https=host:port"); other settings go direct.
    bool setProxy(int setting, std::string_view proxy = {});
    std::string proxy() const;
    bool setOption(int option, long value);
    long option(int option) const;

    // Sends the request and waits for the whole answer, or until it fails, times out or stop is
    // requested. A GET or HEAD sends no body. False on any failure; then the body is empty and
    // status/headers are those of the answer received so far (0 and "" when none).
    bool send(std::string_view body = {}, std::stop_token stop = {});
    bool send(const std::vector<std::uint8_t>& body, std::stop_token stop = {});

    const std::vector<std::uint8_t>& responseBody() const;
    std::vector<std::uint8_t> takeResponseBody();
    // The final answer's header lines, without the status line, each ending CR LF, names as the
    // server spelt them.
    std::string getAllResponseHeaders() const;
    // First header of that name (case-insensitive); "" when absent.
    std::string getResponseHeader(std::string_view name) const;
    int status() const;
    std::string statusText() const;
    // Why the last send failed, for diagnostics ("" after a success).
    std::string errorText() const;

  private:
    struct Impl;
    bool sendBytes(std::string body, std::stop_token stop);
    std::unique_ptr<Impl> impl_;
};

// Certificates every transport of platform/http trusts instead of the system's list (PEM).
// Tests set their self-signed server's certificate; an empty text restores the system's list.
void setTrustedCertificates(std::string pem);

}  // namespace qx::platform
