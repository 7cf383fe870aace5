#include "resolvers/Lanzou.h"

#include "net/FetchLimits.h"
#include "net/HeaderText.h"
#include "net/HttpRequest.h"
#include "platform/http/ConnectionShare.h"
#include "platform/http/RequestObject.h"
#include "resolvers/ResolverSupport.h"
#include "script/JsonObject.h"
#include "script/RegexMatcher.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::resolvers {
namespace {

constexpr const char* kOpenAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/84.0.4147.105 Safari/537.36";
constexpr const char* kProtectedAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";
constexpr const char* kSignPattern = "[0-9a-zA-Z\\_]{70,}_c_c";
constexpr const char* kDefaultAction = "downprocess";

void useDefaultStem(Text& stem) {
    if (stem.empty()) stem = Text(kLanzouDefaultStem);
}

Text siteRoot(const Text& stem) { return "https://www." + stem + ".com/"; }

// The answer body as page text (the service writes UTF-8).
Text pageText(net::HttpRequestOptions& options, const ResolveContext& context) {
    return utf8ToText(toText(objectRequest(options, context)));
}

// The "Location" of the file address, through the context's exchange when it has one.
Text redirectLocation(const Text& address, const ResolveContext& context) {
    if (!context.exchange) return readRedirectLocation(address, context.stop);
    return answerHeader(context.exchange("GET", address).headers, "Location");
}

Text firstMatch(script::RegexMatcher& matcher, const Text& pattern, const Text& subject) {
    matcher.create(pattern, subject);
    return matcher.matchText(1);
}

Text firstSubMatch(script::RegexMatcher& matcher, const Text& pattern, const Text& subject, int sub = 1,
                   bool quotePlaceholder = false) {
    matcher.create(pattern, subject, false, true, true, quotePlaceholder);
    return matcher.subMatchText(1, sub);
}

}  // namespace

Text resolveLanzouLink(const Text& link, const Text& password, Text& stem, const ResolveContext& context) {
    platform::ConnectionScope chain;  // a caller with its own stem calls this directly
    if (password.empty()) return resolveLanzouOpenLink(link, stem, context);
    return resolveLanzouProtectedLink(link, password, stem, context);
}

Text resolveLanzouOpenLink(const Text& link, Text& stem, const ResolveContext& context) {
    script::RegexMatcher matcher;
    script::JsonObject json;
    useDefaultStem(stem);
    const Text headers =
        net::headerLines({{"user-agent", kOpenAgent}, {"referer", "https://www." + stem + ".com/"}});

    net::HttpRequestOptions first = resolverRequest(context);
    first.url = link;
    first.headers = headers;
    const Text page1 = pageText(first, context);
    if (page1.empty()) return {};

    const Text innerPath = firstSubMatch(matcher, gbk(u8"#引号(/fn\\?[^#引号]{10,})#引号"), page1, 1, true);
    // The inner path starts with "/": the address keeps both slashes after the host.
    net::HttpRequestOptions second = resolverRequest(context);
    second.url = siteRoot(stem) + innerPath;
    second.headers = headers;
    const Text page2 = pageText(second, context);
    if (page2.empty()) return {};

    const Text sign = firstMatch(matcher, kSignPattern, page2);
    if (sign.empty()) return {};
    Text action = firstSubMatch(matcher, "action':'(.*?)'", page2);
    if (action.empty()) action = kDefaultAction;

    net::HttpRequestOptions post = resolverRequest(context);
    post.url = siteRoot(stem) + firstSubMatch(matcher, "url : '/(.+?)'", page2);
    post.setMethod(net::HttpMethod::Post);
    post.body = "action=" + action + "&sign=" + sign + "&ves=1";
    post.headers = headers;
    const Text answer = toText(objectRequest(post, context));
    if (answer.empty()) return {};

    json.parse(answer);
    return redirectLocation(json.getText("dom") + "/file/" + json.getText("url"), context);
}

Text resolveLanzouProtectedLink(const Text& link, const Text& password, Text& stem,
                                const ResolveContext& context) {
    script::RegexMatcher matcher;
    script::JsonObject json;
    useDefaultStem(stem);
    const Text headers =
        net::headerLines({{"User-Agent", kProtectedAgent}, {"referer", "https://www." + stem + ".com/"}});

    net::HttpRequestOptions first = resolverRequest(context);
    first.url = link;
    first.setMethod(net::HttpMethod::Get);
    first.headers = headers;
    const Text page = pageText(first, context);
    if (page.empty()) return {};

    matcher.create("action=(.*?)&sign=(.{10,}?)&p=", page);
    Text action = matcher.subMatchText(1, 1);
    Text sign = matcher.subMatchText(1, 2);
    if (action.empty()) action = kDefaultAction;
    if (sign.empty()) sign = firstMatch(matcher, kSignPattern, page);

    net::HttpRequestOptions post = resolverRequest(context);
    post.url = "https://" + stem + ".com/ajaxm.php";
    post.setMethod(net::HttpMethod::Post);
    // Form-encoded: a password with "&", "+", "%" or a space must reach the service whole.
    post.body = "action=" + action + "&sign=" + sign + "&p=" + formValue(password);
    post.headers = headers;
    const Text answer = toText(objectRequest(post, context));
    if (answer.empty()) return {};

    Text domain, filePath;
    if (json.parse(answer)) {
        domain = json.getText("dom");
        filePath = json.getText("url");
    } else {
        domain = net::textBetween(answer, gbk(u8"dom#引号:#引号"), "\"");
        filePath = net::textBetween(answer, gbk(u8"url#引号:#引号"), "\"");
    }
    const Text address = domain + "/file/" + filePath;
    Text result = redirectLocation(address, context);
    if (result.empty()) result = redirectLocation(replaceAll(address, "https://", "http://"), context);
    return result;
}

Text readRedirectLocation(const Text& address, std::stop_token stop) {
    platform::RequestObject request;
    if (!request.created()) return {};
    request.setOption(platform::RequestObject::OptionEnableRedirects, 0);
    request.setTimeouts(5000, 5000, 10000, 5000);
    request.setLimits(net::fetchLimits(net::AnswerKind::Resolver));
    request.open("GET", gbkToUtf8(address), false);
    request.setRequestHeader("User-Agent", "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)");
    request.setRequestHeader("Accept-Language", "zh-cn");
    request.setRequestHeader("Connection", "Keep-Alive");
    request.setRequestHeader(
        "Accept",
        "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
        "application/x-silverlight, */*");
    request.send(std::string_view{}, stop);
    return request.getResponseHeader("Location");
}

namespace {
constexpr std::string_view kLanzouHosts[] = {"*lanzou*"};  // it moves between lanzoui, lanzoux, lanzous…
ResolveResult resolveLanzou(const Text& link, const Text& password, const ResolveContext& context) {
    return typedResult(context, [&](const ResolveContext& c) {
        Text stem;  // a fresh one each time: the resolver fills in its default
        return resolveLanzouLink(link, password, stem, c);
    });
}
}  // namespace

const ResolverDescriptor kLanzouResolver = {
    Service::Lanzou, "lanzou", "lanzou", u8"蓝奏云取直链", kLanzouHosts, "serviceLanzou", true, resolveLanzou,
};

}  // namespace qx::resolvers
