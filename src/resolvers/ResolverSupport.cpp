#include "resolvers/ResolverSupport.h"

#include "net/FetchLimits.h"
#include "net/NativeHttpClient.h"
#include "script/JsonObject.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::resolvers {

net::HttpRequestOptions resolverRequest(const ResolveContext& context) {
    net::HttpRequestOptions options;
    options.limits = net::fetchLimits(net::AnswerKind::Resolver);
    options.stop = context.stop;
    options.verifyCertificate = true;
    return options;
}

namespace {

// Whether the address names a host a request could reach: a scheme, and a host without empty
// labels. A request to anything else was never sent, so it says nothing about the network.
bool reachableAddress(std::string_view url) {
    std::size_t start = 0;
    if (startsWith(url, "https://", true)) {
        start = 8;
    } else if (startsWith(url, "http://", true)) {
        start = 7;
    } else {
        return false;
    }
    std::string_view host = url.substr(start);
    host = host.substr(0, host.find_first_of("/?#"));
    if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) host.remove_prefix(at + 1);
    host = host.substr(0, host.find(':'));
    return !host.empty() && host.front() != '.' && host.back() != '.' &&
           host.find("..") == std::string_view::npos;
}

void noteUnanswered(bool unanswered, const net::HttpRequestOptions& options, const ResolveContext& context) {
    if (unanswered && context.unanswered && reachableAddress(options.url)) *context.unanswered = true;
}

// Through the context's exchange; an answer without header lines and body is none.
ByteArray viaExchange(net::HttpRequestOptions& options, const ResolveContext& context) {
    ServiceAnswer answer = context.exchange(net::httpMethodName(options.method), options.url);
    const bool none = answer.body.empty() && answer.headers.empty();
    options.responseHeaders = answer.headers;
    options.statusCode = none ? 0 : 200;
    noteUnanswered(none, options, context);
    return std::move(answer.body);
}

}  // namespace

ByteArray objectRequest(net::HttpRequestOptions& options, const ResolveContext& context) {
    if (context.exchange) return viaExchange(options, context);
    ByteArray body = net::httpObjectRequest(options);
    // Refused, no handshake, timed out, cut short or past the size cap: the answer is not whole.
    noteUnanswered(!options.completed, options, context);
    return body;
}

Text nativeRequest(net::HttpRequestOptions& options, const ResolveContext& context) {
    if (context.exchange) return toText(viaExchange(options, context));
    Text body = net::nativeHttpRequest(options);
    // The native client fills the header lines only once the whole answer was read.
    noteUnanswered(options.responseHeaders.empty(), options, context);
    return body;
}

Text answerHeader(std::string_view headers, std::string_view name) {
    for (const Text& line : split(headers, "\r\n")) {
        const std::size_t colon = line.find(':');
        if (colon == Text::npos || !equalsIgnoreCase(std::string_view(line).substr(0, colon), name)) continue;
        return trim(line.substr(colon + 1));
    }
    return {};
}

TextArray splitLinkPieces(std::string_view link) {
    if (link.empty()) return {};
    TextArray pieces = split(link, "/");
    if (!pieces.empty() && pieces.back().empty()) pieces.pop_back();
    return pieces;
}

Text pieceFromEnd(const TextArray& pieces, std::size_t index) {
    if (index == 0 || index > pieces.size()) return {};
    return pieces[pieces.size() - index];
}

Text formValue(std::string_view value) {
    static const char kHex[] = "0123456789ABCDEF";
    Text out;
    for (unsigned char b : gbkToUtf8(value)) {
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
            b == '.' || b == '_' || b == '~') {
            out += static_cast<char>(b);
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

Text jsonStringValue(std::string_view value) {
    static const char kHex[] = "0123456789abcdef";
    Text out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto b = static_cast<unsigned char>(value[i]);
        if (b >= 0x81 && b <= 0xFE && i + 1 < value.size()) {
            out += value.substr(i, 2);  // a double-byte character, whatever its second byte
            ++i;
        } else if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b < 0x20) {
            out += "\\u00";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

bool fitsHeaderLine(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

Text addressMember(script::JsonObject& json, const Text& path) {
    constexpr int kString = 6;
    return json.typeOf(path) == kString ? json.getText(path) : Text();
}

}  // namespace qx::resolvers
