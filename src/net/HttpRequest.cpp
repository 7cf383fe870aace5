#include "net/HttpRequest.h"

#include <climits>
#include <memory>

#include "net/Cookies.h"
#include "net/HeaderText.h"
#include "platform/http/RequestObject.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::net {

namespace {

struct DefaultHeader {
    const char* probe;
    const char* line;
};

Text collectSetCookies(std::string_view responseHeaders) {
    Text cookies;
    for (const Text& line : split(responseHeaders, "\r\n")) {
        if (textBefore(line, ": ") != "Set-Cookie") continue;
        Text piece = contains(line, ";") ? trim(textBetween(line, "Set-Cookie:", ";"))
                                         : trim(replaceAll(line, "Set-Cookie:", "", true));
        cookies += piece + "; ";
    }
    if (endsWith(cookies, "; ")) cookies.resize(cookies.size() - 2);
    return cookies;
}

}  // namespace

Text headerLines(std::initializer_list<HeaderLine> lines) {
    Text out;
    for (const HeaderLine& line : lines) {
        if (!out.empty()) out += "\r\n";
        out += Text(line.name) + ": " + line.value;
    }
    return out;
}

const char* httpMethodName(int method) {
    static const char* const names[] = {"GET",     "POST",   "HEAD",  "PUT",
                                        "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return method < 0 || method > 7 ? names[0] : names[method];
}

ByteArray httpObjectRequest(HttpRequestOptions& o) {
    // The omitted fields' defaults are the record's own. The system's request object needed COM
    // on the calling thread here; ours needs nothing.
    const int method = o.method < 0 || o.method > 7 ? 0 : o.method;
    const char* verb = httpMethodName(method);

    std::unique_ptr<platform::RequestObject> own;
    platform::RequestObject* object = o.sharedObject;
    if (!object) {
        own = std::make_unique<platform::RequestObject>();
        object = own.get();
    }
    if (!object->created()) return {};
    o.completed = false;

    if (o.timeoutSeconds != -1) {
        int ms = o.timeoutSeconds >= 1
                     ? (o.timeoutSeconds > INT_MAX / 1000 ? INT_MAX : o.timeoutSeconds * 1000)
                     : 15000;
        object->setTimeouts(ms, ms, ms, ms);
    }
    if (!o.proxy.empty()) object->setProxy(platform::RequestObject::ProxyNamed, o.proxy);
    // The object took the address as Unicode and sent it as UTF-8; an unusable address makes
    // the later calls fail quietly, as the object's own errors do.
    object->open(verb, gbkToUtf8(o.url), false);
    if (o.noRedirect) object->setOption(platform::RequestObject::OptionEnableRedirects, 0);
    if (!o.verifyCertificate) object->setOption(platform::RequestObject::OptionSslErrorIgnoreFlags, 0x3300);
    object->setLimits(o.limits);
    object->setProgress(o.progress);

    if (o.completeHeaders) {
        const Text referer = "Referer: " + o.url;
        const DefaultHeader defaults[] = {
            {"Accept:", "Accept: */*"},
            {"Referer:", referer.c_str()},
            {"Accept-Language:", "Accept-Language: zh-cn"},
            {"User-Agent:", "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
            {"Content-Type:", "Content-Type: application/x-www-form-urlencoded"},
        };
        for (const DefaultHeader& row : defaults) {
            if (std::string_view(row.probe) == "Content-Type:" && method != 1) continue;
            if (!contains(o.headers, row.probe, true)) o.headers += Text("\r\n") + row.line;
        }
    }
    if (o.normalizeHeaders) o.headers = normalizeHeaderNames(o.headers);

    if (!o.proxy.empty() && !o.proxyUser.empty() && o.proxyAuthMode == 1) {
        ByteArray credentials = base64Encode(toBytes(o.proxyUser + ":" + o.proxyPassword));
        object->setRequestHeader("Proxy-Authorization", "Basic " + toText(credentials));
    }
    if (o.cookies) {
        Text& cookies = *o.cookies;
        if (!cookies.empty() && contains(cookies, "Cookie:", true))
            cookies = replaceAll(cookies, "Cookie:", "", true);
        object->setRequestHeader("Cookie", cookies);
    }
    if (contains(o.headers, "\r\n")) {
        for (const Text& line : split(o.headers, "\r\n")) {
            if (line.empty()) continue;
            Text name = headerLineName(line);
            Text value = headerLineValue(line);
            if (name == "Connection" && value == "keep-alive") continue;
            object->setRequestHeader(name, value);
        }
    } else {
        object->setRequestHeader(headerLineName(o.headers), headerLineValue(o.headers));
    }

    if (!o.bodyBytes.empty()) {
        o.completed = object->send(o.bodyBytes, o.stop);
    } else {
        o.completed = object->send(gbkToUtf8(o.body), o.stop);
    }

    ByteArray result = object->takeResponseBody();
    o.responseHeaders = object->getAllResponseHeaders();
    o.statusCode = object->status();

    o.responseCookies = collectSetCookies(o.responseHeaders);
    if (o.autoMergeCookies && o.cookies) o.responseCookies = mergeCookies(*o.cookies, o.responseCookies);
    return result;
}

}  // namespace qx::net
