#pragma once
// One complete HTTP exchange through the scripted request object, with the program's default
// browser-like headers, header-name normalising, proxy credentials and cookie collection.
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stop_token>
#include <string_view>

#include "core/Text.h"
#include "platform/http/Limits.h"

namespace qx::platform {
class RequestObject;
}

namespace qx::net {

// The methods a request record can name, in the order of httpMethodName.
enum class HttpMethod : int { Get = 0, Post, Head, Put, Options, Delete, Trace, Connect };

// One extra header line of a request.
struct HeaderLine {
    std::string_view name;
    Text value;
};

// The in/out record of one request. Defaults are those a caller gets by leaving a field out.
struct HttpRequestOptions {
    Text url;
    int method = 0;  // index into httpMethodName; outside 0..7 counts as 0 (GET): set it by setMethod
    Text body;       // sent as a string (UTF-8 on the wire) when bodyBytes is empty
    std::optional<Text> cookies;  // in/out; whether it was given matters
    Text responseCookies;         // out
    Text headers;                 // in/out: extra lines "Name: value" separated by CR LF
    Text responseHeaders;         // out
    int statusCode = 0;           // out
    bool completed = false;       // out: the whole answer arrived
    bool noRedirect = false;
    ByteArray bodyBytes;
    Text proxy;  // host:port; empty: no proxy
    // Seconds; -1 leaves the object's own time-outs; 0 or less otherwise means 15 s
    // (30 s for the native client).
    int timeoutSeconds = 0;
    Text proxyUser, proxyPassword;
    int proxyAuthMode = 1;                            // only 1 is acted on (Basic)
    platform::RequestObject* sharedObject = nullptr;  // used instead of a new object
    bool autoMergeCookies = true;
    bool completeHeaders = true;
    bool normalizeHeaders = true;
    // Used by the native client only.
    Text serverUser, serverPassword;
    Text location;            // out
    Text statusText;          // out
    ByteArray responseBytes;  // out
    // Cancels the transfer (a stopped request ends within ~100 ms and yields no body).
    std::stop_token stop;
    // Whole-request deadline and body cap (net/FetchLimits.h); past either the request fails.
    platform::TransferLimits limits;
    // Verify the server's certificate against the trusted store instead of ignoring
    // certificate errors (both clients); for the requests whose answer decides what the
    // program runs or what address it hands the user.
    bool verifyCertificate = false;
    // Hears the answer's body grow: bytes so far and the announced length (-1: none).
    std::function<void(std::size_t received, long long total)> progress;

    void setMethod(HttpMethod m) { method = static_cast<int>(m); }
};

// Header lines as the record's headers field takes them: "Name: value", separated by CR LF.
Text headerLines(std::initializer_list<HeaderLine> lines);

// "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"; a method outside 0..7
// gives "GET".
const char* httpMethodName(int method);

// Returns the response body; empty when the request object could not be created (then no
// out-field is touched) or the exchange failed.
ByteArray httpObjectRequest(HttpRequestOptions& options);

}  // namespace qx::net
