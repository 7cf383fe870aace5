#pragma once
// The one engine under every transport of platform/http: a libcurl easy handle driven through
// its own multi handle, so a stop request wakes the transfer at once and the receive time-out
// can be an idle time-out. Redirects are followed here, not by libcurl, so that exactly
// 301/302/303/307/308 are followed and the bodies of followed redirects are dropped.
// Internal to platform/http.
#include <chrono>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http/detail/CurlApi.h"

namespace qx::platform::detail {

void ensureCurlReady();

// Picks the proxy for a URL's scheme from a proxy text as the system components take it:
// "host:port", or a list like "http=host:port;https=host:port". Returns a libcurl proxy URL
// ("http://host:port") or "" for none.
std::string proxyFor(std::string_view proxyList, bool https);

// Makes a URL safe for the wire the way the system object does: bytes >= 0x80, blanks and
// control characters become %XX escapes; everything else (a '%' too) is kept.
std::string escapeUrl(std::string_view url);

bool isHttpUrl(std::string_view url);  // starts with http:// or https:// (any case)

// Certificates the transports trust instead of the system's list (tests use it for their
// self-signed server). Empty: the system's list, plus the PEM file named by the environment
// variable QUORVEX_EXTRA_CA_FILE when it is set (a testing aid).
void setTrustedCertificates(std::string pem);

struct ResponseHead {
    int status = 0;
    std::string statusLine;   // "HTTP/1.1 200 OK", without CR LF
    std::string headerLines;  // every header line after the status line, each ending CR LF
    bool complete = false;    // the empty line that ends the head has arrived
    long long contentLength = -1;
    std::string location;  // raw Location value, "" when none
};

enum class TransferEnd { Completed, Failed, TimedOut, Stopped, Refused, TooManyRedirects, TooLarge };

// Where a failure happened, for callers that report it by phase.
enum class TransferPhase { Connecting, Sending, ReceivingHead, ReceivingBody };

struct Exchange {
    std::string verb = "GET";
    std::string url;  // escaped, http or https
    std::string body;
    bool sendBody = false;
    const curl_slist* headers = nullptr;
    bool http10 = false;
    bool followRedirects = true;
    int maxRedirects = 10;
    bool verifyPeer = true;
    bool verifyHost = true;
    std::string proxy;  // libcurl proxy URL or ""
    std::string serverUser, serverPassword;
    std::string proxyUser, proxyPassword;
    bool cookieEngine = false;
    std::string userAgent;        // "" sends none unless a header line has one
    long bufferSize = 64 * 1024;  // below malloc's mmap threshold: a fresh handle reuses heap memory
    long connectMs = 0;           // resolve + connect + TLS handshake; 0: libcurl's own limit
    long sendIdleMs = 0;          // no byte sent for that long while sending: time-out; 0: none
    long receiveIdleMs = 0;       // no byte received for that long: time-out; 0: none
    // The whole exchange, redirects included, ends by then (TimedOut); 0: no deadline.
    std::chrono::milliseconds deadline{0};
    // A final body longer than this ends the exchange (TooLarge); 0: no cap.
    std::size_t maxBodyBytes = 0;
};

struct TransferResult {
    TransferEnd end = TransferEnd::Failed;
    CURLcode code = CURLE_OK;
    TransferPhase phase = TransferPhase::Connecting;
    int redirects = 0;  // redirects followed before the end
    bool ok() const { return end == TransferEnd::Completed; }
};

class CurlTransfer {
  public:
    CurlTransfer();
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    bool valid() const { return easy_ != nullptr; }

    // Called once the final response's head is complete; false refuses the body (the
    // transfer then ends with Refused).
    std::function<bool(const ResponseHead&)> onHead;
    // Body bytes of the final response; false refuses the rest (Refused).
    std::function<bool(const char*, std::size_t)> onBody;

    // Runs one exchange (with its redirects). Keeps the cookie jar of earlier exchanges on this
    // object; connections come from the running thread's cache and TLS sessions from the
    // process's (ConnectionShare.h), or with sharing off from this object's own.
    TransferResult run(const Exchange& exchange, std::stop_token stop);
    // Runs one exchange collecting the final response's body into body (cleared first);
    // progress, when given, hears the body's size after every chunk.
    TransferResult runIntoBuffer(const Exchange& exchange, std::stop_token stop,
                                 std::vector<std::uint8_t>& body,
                                 const std::function<void(std::size_t)>& progress = {});

    // The last response seen (the final one after a completed run).
    const ResponseHead& head() const { return head_; }

  private:
    static std::size_t headerCallback(char* data, std::size_t size, std::size_t n, void* self);
    static std::size_t writeCallback(char* data, std::size_t size, std::size_t n, void* self);
    static int prereqCallback(void* self, char*, char*, int, int);
    TransferResult runExchange(const Exchange& exchange, std::stop_token& stop);
    void resetHandle();
    bool applyExchange(const Exchange& exchange);
    void applyMethod(const std::string& verb, const std::string& body, bool sendBody);
    TransferResult performOnce(const Exchange& exchange, bool sendBody, std::stop_token& stop);

    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;     // the thread's or ownMulti_, for the run in progress
    CURLM* ownMulti_ = nullptr;  // made when the thread's is not to be had
    curl_slist* connectTo_ = nullptr;
    CURLSH* share_ = nullptr;
    std::string trustedPem_;
    bool cookieEngineOn_ = false;
    std::vector<std::string> savedCookies_;  // the jar across a handle reset

    // State of the exchange in flight.
    ResponseHead head_;
    bool connected_ = false;
    bool isFinal_ = false;  // the current response is the one handed to the caller
    bool refused_ = false;
    bool stopSeen_ = false;
    bool tooMany_ = false;
    bool tooLarge_ = false;
    std::size_t bodyBytes_ = 0;
    std::size_t maxBodyBytes_ = 0;
    std::chrono::steady_clock::time_point deadlineAt_{};  // epoch: none
    bool follow_ = true;
    int redirects_ = 0;
    int maxRedirects_ = 10;
    std::stop_token* stop_ = nullptr;
    std::chrono::steady_clock::time_point lastActivity_;
};

}  // namespace qx::platform::detail
