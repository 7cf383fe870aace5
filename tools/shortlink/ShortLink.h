#pragma once
// The link shortener's core: a long address -> a short one through the simple API of a public
// shortening service, over the toolbox's HTTP layer. The answer must be a plain address;
// anything else (an error text, a web page) is reported as the service's error.
#include <stop_token>
#include <string>
#include <string_view>

namespace qx::shortlink {

enum class Service { IsGd, TinyUrl };

inline constexpr std::string_view kIsGdHost = "is.gd";
inline constexpr std::string_view kTinyUrlHost = "tinyurl.com";

std::string serviceName(Service s);
// The request address for a long address (already checked).
std::string requestUrl(Service s, std::string_view longUrl);
// Every byte but A-Z a-z 0-9 - _ . ~ as %XX.
std::string percentEncode(std::string_view text);

// Empty when the address can be shortened, else why not (Chinese).
std::string checkAddress(std::string_view address);

struct Timeouts {
    int connectMs = 10000;
    int receiveMs = 15000;   // no byte for that long
    int deadlineMs = 30000;  // the whole exchange, so a trickling service cannot hold it
};

enum class Outcome { Shortened, InvalidAddress, NoConnection, TimedOut, ServiceError, Cancelled };

struct Result {
    Outcome outcome = Outcome::ServiceError;
    std::string shortUrl;
    std::string message;  // Chinese, for everything but success
};

Result shorten(Service service, std::string_view address, std::stop_token stop = {}, Timeouts timeouts = {});

}  // namespace qx::shortlink
