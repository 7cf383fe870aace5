#include "net/NativeHttpClient.h"

#include <climits>

#include "text/CodePages.h"
#include "net/Cookies.h"
#include "net/HeaderText.h"
#include "platform/http/NativeHttp.h"
#include "platform/text/CodePage.h"
#include "platform/text/TextStream.h"
#include "script/RegexMatcher.h"
#include "text/Strings.h"

namespace qx::net {

namespace {

struct DefaultLine {
    const char* probe;
    const char* line;
    bool postOnly;
};

const DefaultLine defaultLines[] = {
    {"User-Agent: ", "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
     false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*", false},
    {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312", false},
    {"Accept-Language: ", "Accept-Language: zh-cn", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", true},
    {"Cache-Control: ", "Cache-Control: no-cache", false},
};

// Decodes the page from the charset it declares, through the text stream; the GBK text stays
// when the stream cannot read that charset.
Text decodeDeclaredCharset(const ByteArray& body, const Text& charset, const Text& asReceived) {
    platform::TextStream stream;
    if (!stream.setType(platform::TextStream::kBinary) || !stream.open()) return asReceived;
    std::u16string decoded;
    bool ok = stream.write(std::string_view(reinterpret_cast<const char*>(body.data()), body.size())) &&
              stream.setPosition(0) && stream.setType(platform::TextStream::kText) &&
              stream.setCharset(charset) && stream.readText(decoded);
    stream.close();
    if (!ok) return asReceived;
    return platform::encodeCodePage(decoded, 936);
}

}  // namespace

Text headerValueOf(std::string_view block, std::string_view name) {
    for (const Text& line : split(block, "\r\n"))
        if (startsWith(line, name)) return mid(line, static_cast<int>(name.size()) + 3);
    return {};
}

NativeSessionSettings nativeSessionSettings(std::string_view proxy, bool https) {
    NativeSessionSettings s;
    if (proxy.empty()) return s;
    s.accessType = 3;
    s.proxyName = https ? Text(proxy) : "http=" + Text(proxy);
    return s;
}

int nativeTimeoutMs(int timeoutSeconds) {
    if (timeoutSeconds <= 0) return 30000;
    return timeoutSeconds > INT_MAX / 1000 ? INT_MAX : timeoutSeconds * 1000;
}

Text nativeHeaderBlock(const HttpRequestOptions& o) {
    Text block = o.headers;
    if (!block.empty()) block += "\r\n";
    if (o.completeHeaders) {
        for (const DefaultLine& row : defaultLines) {
            if (row.postOnly && o.method != 1) continue;
            if (!contains(block, row.probe, true)) block += Text(row.line) + "\r\n";
        }
    }
    if (o.normalizeHeaders) block = normalizeHeaderNames(block);
    if (contains(block, "Connection") && headerValueOf(block, "Connection") == "keep-alive") {
        block = replaceAll(block, "Connection: keep-alive\r\n", "");
        // Normalising drops the final CR LF, so a keep-alive line at the very end goes too.
        if (block == "Connection: keep-alive") block.clear();
        if (endsWith(block, "\r\nConnection: keep-alive")) block.resize(block.size() - 24);
    }
    const Text cookies = o.cookies.value_or(Text());
    if (!contains(block, "Cookie:", true) && !cookies.empty()) {
        block += contains(cookies, "Cookie:") ? "\r\n" + cookies + "\r\n" : "\r\nCookie: " + cookies + "\r\n";
    }
    return block;
}

Text declaredCharset(std::string_view page) {
    script::RegexMatcher matcher;
    if (!matcher.create("<meta.+?charset=[^\\w]?([-\\w]+)", left(page, 1024))) return {};
    if (matcher.matchCount() < 1) return {};
    return matcher.subMatchText(1, 1);
}

Text nativeFailureText(NativeFailure failure) {
    switch (failure) {
        case NativeFailure::NotSupported: return gbk(u8"700 当前系统不支持WinHttp服务!");
        case NativeFailure::BadUrl: return gbk(u8"701 解析URL地址失败!");
        case NativeFailure::Session: return gbk(u8"702 创建WinHttp会话失败!");
        case NativeFailure::Connection: return gbk(u8"703 创建WinHttp连接失败!");
        case NativeFailure::Request: return gbk(u8"704 创建WinHttp请求失败!");
        case NativeFailure::Timeouts: return gbk(u8"705 设置超时时间失败!");
        case NativeFailure::Certificate: return gbk(u8"忽略错误/证书错误  失败！");
        case NativeFailure::Credentials: return gbk(u8"707 设置代理凭证失败!");
        case NativeFailure::Cookies: return gbk(u8"708 禁止自动设置Cookies失败!");
        case NativeFailure::Redirects: return gbk(u8"709 重定向设置失败!");
        case NativeFailure::Headers: return gbk(u8"710 设置协议头失败!");
        case NativeFailure::Send: return gbk(u8"711 发送请求失败!");
        case NativeFailure::NoResponse: return gbk(u8"712 服务器未响应!");
        case NativeFailure::Read: return gbk(u8"713 读取数据失败!");
    }
    return {};
}

Text nativeHttpRequest(HttpRequestOptions& o) {
    // The omitted fields' defaults are the record's own.
    auto fail = [&o](NativeFailure failure) {
        o.statusText = nativeFailureText(failure);
        return Text();
    };
    const Text cookies = o.cookies.value_or(Text());
    platform::NativeHttp http;  // its destructor closes whatever was opened, on every path

    if (!platform::nativeHttpAvailable()) return fail(NativeFailure::NotSupported);
    platform::CrackedUrl url;
    if (!platform::crackUrl(gbkToUtf8(o.url), url)) return fail(NativeFailure::BadUrl);
    const Text object = url.path.empty() ? "/" + url.extra : url.path + url.extra;

    NativeSessionSettings session = nativeSessionSettings(o.proxy, url.https);
    if (!http.openSession(session.accessType, session.proxyName)) return fail(NativeFailure::Session);
    const int ms = nativeTimeoutMs(o.timeoutSeconds);
    if (!http.setTimeouts(ms, ms, ms, ms)) return fail(NativeFailure::Timeouts);
    http.setLimits(o.limits);
    if (!http.connect(url.host, url.port)) return fail(NativeFailure::Connection);
    if (!http.openRequest(httpMethodName(o.method), object, url.https))
        return fail(NativeFailure::Request);

    if (!o.serverUser.empty() && !o.serverPassword.empty() &&
        !http.setCredentials(platform::NativeHttp::TargetServer, platform::NativeHttp::SchemeBasic,
                             o.serverUser, o.serverPassword))
        return fail(NativeFailure::Credentials);
    if (!o.proxyUser.empty() && !o.proxyPassword.empty() &&
        !http.setCredentials(platform::NativeHttp::TargetProxy, platform::NativeHttp::SchemeBasic,
                             o.proxyUser, o.proxyPassword))
        return fail(NativeFailure::Credentials);
    if (!o.verifyCertificate && !http.setSecurityFlags(0x3300)) return fail(NativeFailure::Certificate);
    if (!http.setCookiesEnabled(!cookies.empty())) return fail(NativeFailure::Cookies);
    if (o.noRedirect && !http.setRedirectsEnabled(false)) return fail(NativeFailure::Redirects);

    const Text block = nativeHeaderBlock(o);
    if (!block.empty() && !http.addRequestHeaders(block)) return fail(NativeFailure::Headers);

    const ByteArray body = !o.bodyBytes.empty() ? o.bodyBytes : toBytes(o.body);
    if (!http.sendRequest(body, o.stop)) return fail(NativeFailure::Send);
    if (!http.receiveResponse()) return fail(NativeFailure::NoResponse);
    ByteArray received;
    if (!http.readData(received)) return fail(NativeFailure::Read);

    // Header bytes came as sent; nothing to convert for a GBK program.
    o.responseHeaders = http.rawHeaders();
    int firstEnd = find(o.responseHeaders, "\r\n");
    o.statusText = firstEnd > 10 ? mid(o.responseHeaders, 10, firstEnd - 10) : Text();
    o.responseCookies.clear();
    for (const Text& line : split(o.responseHeaders, "\r\n")) {
        if (textBefore(line, ": ") == "Set-Cookie") {
            Text piece = contains(line, ";") ? trim(textBetween(line, "Set-Cookie:", ";"))
                                             : trim(replaceAll(line, "Set-Cookie:", "", true));
            o.responseCookies += piece + "; ";
        }
        if (startsWith(line, "Location: ", true)) o.location = mid(line, 11);
        // The original let window messages through here; services never touch windows.
    }
    if (endsWith(o.responseCookies, "; ")) o.responseCookies.resize(o.responseCookies.size() - 2);
    if (o.autoMergeCookies && !cookies.empty())
        o.responseCookies = mergeCookies(*o.cookies, o.responseCookies);

    o.responseBytes = received;
    Text result = textUpToNul(received);

    // The original needed COM around the stream here; ours does not.
    Text charset = declaredCharset(result);
    if (!charset.empty() && charset != "gbk" && charset != "gb2312")
        result = decodeDeclaredCharset(received, charset, result);
    return result;
}

}  // namespace qx::net
