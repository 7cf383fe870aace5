#include "resolvers/ResolverSupport.h"

#include "net/FetchLimits.h"
#include "net/NativeHttpClient.h"
#include "script/JsonObject.h"
#include "text/Strings.h"

namespace qx::resolvers {

net::HttpRequestOptions resolverRequest(const ResolveContext& context) {
    net::HttpRequestOptions options;
    options.limits = net::fetchLimits(net::AnswerKind::Resolver);
    options.stop = context.stop;
    return options;
}

namespace {

ByteArray viaExchange(net::HttpRequestOptions& options, const ResolveContext& context) {
    ServiceAnswer answer = context.exchange(net::httpMethodName(options.method), options.url);
    options.responseHeaders = answer.headers;
    options.statusCode = answer.body.empty() && answer.headers.empty() ? 0 : 200;
    return std::move(answer.body);
}

}  // namespace

ByteArray objectRequest(net::HttpRequestOptions& options, const ResolveContext& context) {
    if (context.exchange) return viaExchange(options, context);
    return net::httpObjectRequest(options);
}

Text nativeRequest(net::HttpRequestOptions& options, const ResolveContext& context) {
    if (context.exchange) return toText(viaExchange(options, context));
    return net::nativeHttpRequest(options);
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

Text addressMember(script::JsonObject& json, const Text& path) {
    constexpr int kString = 6;
    return json.typeOf(path) == kString ? json.getText(path) : Text();
}

}  // namespace qx::resolvers
