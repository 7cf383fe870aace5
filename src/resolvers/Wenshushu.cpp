#include "resolvers/Wenshushu.h"

#include "net/HttpRequest.h"
#include "resolvers/ResolverSupport.h"
#include "script/JsonObject.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::resolvers {
namespace {

constexpr const char* kAgent =
    "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/90.0.4430.93 Safari/537.36";

Text siteRoot() { return "https://" + Text(kWenshushuHost) + "/"; }

// The answer of one API step, read once the step succeeded: parsed and "message" is "success".
bool accepted(script::JsonObject& json, const Text& answer) {
    return json.parse(answer) && json.getText("message") == "success";
}

// One API call with the shared header variable, which the request completes in place.
Text post(const char* path, const Text& body, Text& headers, bool fromUtf8, const ResolveContext& context) {
    net::HttpRequestOptions options = resolverRequest(context);
    options.url = siteRoot() + path;
    options.setMethod(net::HttpMethod::Post);
    options.body = body;
    options.headers = headers;
    Text answer = toText(objectRequest(options, context));
    headers = options.headers;
    return fromUtf8 ? utf8ToText(answer) : answer;
}

}  // namespace

Text wenshushuFailureText() { return gbk(u8"分享连接已失效,文件已过期！"); }

Text resolveWenshushuLink(const Text& link, const Text& password, const ResolveContext& context) {
    script::JsonObject json;
    Text headers = net::headerLines({{"user-agent", kAgent}, {"referer", siteRoot()}});

    // Only the redirect target is wanted from the share link; its page is not.
    net::HttpRequestOptions first = resolverRequest(context);
    first.url = link;
    first.headers = headers;
    first.noRedirect = true;
    objectRequest(first, context);
    headers = first.headers;
    // By its exact name: a "Content-Location" line is no redirect.
    const Text sharePage = answerHeader(first.responseHeaders, "Location");
    // The task id comes from the link itself, not from where it redirects.
    const Text taskId = pieceFromEnd(splitLinkPieces(link), 1);

    if (!accepted(json, post("ap/login/anonymous", "{\"dev_info\":\"{}\"}", headers, false, context)))
        return wenshushuFailureText();
    const Text token = json.getText("data.token");
    // Both go into header lines: a CR or LF in them would end the line and start another.
    if (!fitsHeaderLine(token) || !fitsHeaderLine(sharePage)) return wenshushuFailureText();

    headers = net::headerLines({{"user-agent", kAgent},
                                {"referer", sharePage},
                                {"content-type", "application/json;charset=UTF-8"},
                                {"accept", "application/json, text/plain, */*"},
                                {"x-token", token}});
    // Values go into the templates as JSON strings: a quote or a backslash in a password (or an id)
    // must not break the body.
    Text body = replaceAll("{\"tid\":\"[tid]\",\"password\":\"[pwd]\",\"ufileid\":\"\"}", "[tid]",
                           jsonStringValue(taskId));
    body = replaceAll(body, "[pwd]", jsonStringValue(password));
    if (!accepted(json, post("ap/task/mgrtask", body, headers, true, context))) return wenshushuFailureText();
    const Text boxId = json.getText("data.boxid");
    const Text folderId = json.getText("data.ufileid");

    body = replaceAll(
        "{\"start\":0,\"sort\":{\"name\":\"asc\"},\"bid\":\"[bid]\",\"pid\":\"[pid]\",\"options\":{"
        "\"uploader\":"
        "\"true\"},\"size\":50}",
        "[bid]", jsonStringValue(boxId));
    body = replaceAll(body, "[pid]", jsonStringValue(folderId));
    if (!accepted(json, post("ap/ufile/nlist", body, headers, true, context))) return wenshushuFailureText();
    const Text fileId = json.getText("data.fileList[0].fid");

    body =
        replaceAll("{\"ufileid\":\"[fid]\",\"consumeCode\":0,\"type\":1}", "[fid]", jsonStringValue(fileId));
    if (!accepted(json, post("ap/dl/sign", body, headers, false, context))) return wenshushuFailureText();
    const Text address = addressMember(json, "data.url");
    if (contains(address, "http")) return address;
    return wenshushuFailureText();
}

namespace {
constexpr std::string_view kWenshushuHosts[] = {"wenshushu.cn", "wss1.cn", "wss.ink"};
ResolveResult resolveWenshushu(const Text& link, const Text& password, const ResolveContext& context) {
    return typedResult(
        context, [&](const ResolveContext& c) { return resolveWenshushuLink(link, password, c); },
        wenshushuFailureText());
}
}  // namespace

const ResolverDescriptor kWenshushuResolver = {
    Service::Wenshushu, "wenshushu",        "wenshushu", u8"文叔叔取直链",
    kWenshushuHosts,    "serviceWenshushu", true,        resolveWenshushu,
};

}  // namespace qx::resolvers
