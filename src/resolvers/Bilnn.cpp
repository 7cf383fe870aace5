#include "resolvers/Bilnn.h"

#include "net/HttpRequest.h"
#include "resolvers/ResolverSupport.h"
#include "resolvers/Yunpan360.h"
#include "script/JsonObject.h"

namespace qx::resolvers {

Text resolveBilnnLink(const Text& link, const ResolveContext& context) {
    script::JsonObject json;
    net::HttpRequestOptions request = resolverRequest(context);
    request.url = "https://" + Text(kBilnnHost) + "/api/v3/share/download/" + textAfterLast(link, "/s/");
    request.setMethod(net::HttpMethod::Put);
    request.headers = net::headerLines(
        {{"User-Agent",
          "Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36 (KHTML, like Gecko) "
          "Chrome/89.0.4389.90 Mobile Safari/537.36"}});
    // The service writes "\u" escapes; the JSON reader decodes them itself. Unescaping the whole
    // answer as script text first would also turn "%3A" in a signed address into ":" and break
    // "\"" inside values.
    json.parse(toText(objectRequest(request, context)));
    return addressMember(json, "data");
}

namespace {
constexpr std::string_view kBilnnHosts[] = {"bilnn.com"};
ResolveResult resolveBilnn(const Text& link, const Text&, const ResolveContext& context) {
    return typedResult(context, [&](const ResolveContext& c) { return resolveBilnnLink(link, c); });
}
}  // namespace

const ResolverDescriptor kBilnnResolver = {
    Service::Bilnn, "bilnn", "bilnn", u8"比邻网盘取直链", kBilnnHosts, "serviceBilnn", false, resolveBilnn,
};

}  // namespace qx::resolvers
