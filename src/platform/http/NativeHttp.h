#pragma once
// The program's native HTTP client talked to the system through a session, a connection and a
// request, one call per step, each of which can fail on its own. This class keeps those steps
// (so the caller can tell which one failed) on libcurl. The transfer itself runs in
// sendRequest; receiveResponse and readData then report whether the answer's head and body
// arrived. HTTP/1.1; strings are bytes and go out as given.
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http/Limits.h"

namespace qx::platform {

// True when the transport can speak HTTP and HTTPS.
bool nativeHttpAvailable();

struct CrackedUrl {
    bool https = false;
    std::string host;   // as written (an IPv6 address keeps its brackets)
    int port = 0;       // the scheme's default when the URL names none
    std::string path;   // from the first '/' up to '?' or '#', "" when none
    std::string extra;  // from '?' or '#' to the end, "" when none
};
// Splits an http or https URL; false for any other scheme or a malformed port.
bool crackUrl(std::string_view url, CrackedUrl& out);

class NativeHttp {
  public:
    static constexpr int AccessNoProxy = 1;
    static constexpr int AccessNamedProxy = 3;
    static constexpr int TargetServer = 0;
    static constexpr int TargetProxy = 1;
    static constexpr int SchemeBasic = 1;

    NativeHttp();
    ~NativeHttp();
    NativeHttp(const NativeHttp&) = delete;
    NativeHttp& operator=(const NativeHttp&) = delete;

    // Proxy name as the session took it: "host:port", "http=host:port" (http URLs only), or a
    // list of those separated by ';'.
    bool openSession(int accessType, std::string_view proxyName);
    bool setTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs);
    // A whole-request deadline and a body cap for the exchange (none by default).
    void setLimits(TransferLimits limits);
    bool connect(std::string_view host, int port);  // port 0: the scheme's default
    bool openRequest(std::string_view verb, std::string_view objectName, bool secure);
    bool setCredentials(int target, int scheme, std::string_view user, std::string_view password);
    bool setSecurityFlags(long flags);     // the same certificate-error flags as the request object
    bool setCookiesEnabled(bool enabled);  // the transport's own cookie handling within the request
    bool setRedirectsEnabled(bool enabled);
    // Lines separated by CR LF; each non-empty line must be "Name: value".
    bool addRequestHeaders(std::string_view block);

    // Connects and sends; false when that failed (nothing came back).
    bool sendRequest(const std::vector<std::uint8_t>& body, std::stop_token stop = {});
    // False when no complete answer head came back.
    bool receiveResponse();
    // The whole body; false when it broke off.
    bool readData(std::vector<std::uint8_t>& body);
    // Status line, header lines and the empty line, each ending CR LF; "" before an answer.
    std::string rawHeaders() const;
    // The libcurl URL the request went to (for tests and diagnostics).
    std::string requestUrl() const;
    std::string proxyUsed() const;

    void close();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qx::platform
