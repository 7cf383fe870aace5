#include "resolvers/Bilnn.h"

#include "net/HttpRequest.h"
#include "resolvers/ResolverSupport.h"
#include "resolvers/Yunpan360.h"
#include "script/JsonObject.h"
#include "text/Decoders.h"

namespace qx::resolvers {

Text resolveBilnnLink(const Text& link, const ResolveContext& context) {
    script::JsonObject json;
    net::HttpRequestOptions request = resolverRequest(context);
    request.url = "https://" + Text(kBilnnHost) + "/api/v3/share/download/" + textAfterLast(link, "/s/");
    request.method = 3;
    request.headers =
        "User-Agent: Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36 (KHTML, like "
        "Gecko) Chrome/89.0.4389.90 Mobile Safari/537.36";
    const Text answer = decodeUnicodeEscapes(toText(net::httpObjectRequest(request)));
    json.parse(answer);
    return json.getText("data");
}

}  // namespace qx::resolvers
