#include "shortlink/ShortLink.h"

#include <algorithm>
#include <cctype>

#include "platform/http/RequestObject.h"

namespace qx::shortlink {

namespace {

constexpr std::size_t kMaxAddress = 4096;
// A short address is a few dozen bytes; an answer this long is something else.
constexpr std::size_t kMaxAnswer = 64 * 1024;
constexpr std::string_view kUserAgent = "QuorvexShortLink/1.0";

std::string trimmed(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

// A plain http(s) address: no blank, no control character, no markup, a host.
bool isPlainAddress(std::string_view s) {
    std::size_t rest = startsWithNoCase(s, "https://") ? 8 : startsWithNoCase(s, "http://") ? 7 : 0;
    if (rest == 0 || s.size() == rest) return false;
    for (char c : s)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f || c == '<' || c == '>' || c == '"')
            return false;
    const char first = s[rest];
    return first != '/' && first != '?' && first != '#' && first != ':';
}

// The service's answer as a short address: a plain address of printable ASCII (a short
// link is never anything else, and bytes beyond ASCII would be handed on as a link).
bool isShortAddress(std::string_view s) {
    if (s.size() > kMaxAddress || !isPlainAddress(s)) return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x7f; });
}

std::string firstLine(std::string_view body) {
    std::string line(body.substr(0, std::min(body.find_first_of("\r\n"), body.size())));
    if (line.size() > 200) line = line.substr(0, 200) + "…";
    return line;
}

}  // namespace

std::string serviceName(Service s) { return std::string(s == Service::IsGd ? kIsGdHost : kTinyUrlHost); }

std::string percentEncode(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string requestUrl(Service s, std::string_view longUrl) {
    if (s == Service::IsGd)
        return "https://" + std::string(kIsGdHost) +
               "/create.php?format=simple&url=" + percentEncode(longUrl);
    return "https://" + std::string(kTinyUrlHost) + "/api-create.php?url=" + percentEncode(longUrl);
}

std::string checkAddress(std::string_view raw) {
    const std::string address = trimmed(raw);
    if (address.empty()) return "请输入要缩短的网址。";
    if (address.size() > kMaxAddress) return "网址太长（超过 " + std::to_string(kMaxAddress) + " 个字符）。";
    if (!isPlainAddress(address)) {
        if (!startsWithNoCase(address, "http://") && !startsWithNoCase(address, "https://"))
            return "请输入以 http:// 或 https:// 开头的完整网址。";
        return "网址中不能有空格、引号或尖括号，且 :// 之后必须是网站的域名。";
    }
    return {};
}

Result shorten(Service service, std::string_view raw, std::stop_token stop, Timeouts timeouts) {
    Result result;
    const std::string address = trimmed(raw);
    if (std::string why = checkAddress(address); !why.empty()) {
        result.outcome = Outcome::InvalidAddress;
        result.message = why;
        return result;
    }
    const std::string name = serviceName(service);
    platform::RequestObject request;
    if (!request.created() || !request.open("GET", requestUrl(service, address))) {
        result.message = "无法创建网络请求。";
        return result;
    }
    request.setRequestHeader("User-Agent", kUserAgent);
    request.setRequestHeader("Accept", "text/plain");
    request.setTimeouts(0, timeouts.connectMs, timeouts.connectMs, timeouts.receiveMs);
    request.setLimits({std::chrono::milliseconds(timeouts.deadlineMs), kMaxAnswer});
    if (!request.send(std::string_view(), stop)) {
        const std::string why = request.errorText();
        if (why == "stopped") {
            result.outcome = Outcome::Cancelled;
            result.message = "已取消。";
        } else if (why == "timed out") {
            result.outcome = Outcome::TimedOut;
            result.message = "连接 " + name + " 超时，请稍后再试或换一个服务。";
        } else if (why == "answer too large") {
            result.message = name + " 返回的内容太长，不是短链接。";
        } else if (why == "too many redirects") {
            result.message = name + " 转发了太多次，它的接口可能已经改变。";
        } else {
            result.outcome = Outcome::NoConnection;
            result.message = "无法连接到 " + name + "，请检查网络连接。";
        }
        return result;
    }
    const std::vector<std::uint8_t>& bytes = request.responseBody();
    const std::string body =
        trimmed(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    const int status = request.status();
    if (status == 200 && isShortAddress(body)) {
        result.outcome = Outcome::Shortened;
        result.shortUrl = body;
        return result;
    }
    result.outcome = Outcome::ServiceError;
    const std::string type = request.getResponseHeader("Content-Type");
    if ((!body.empty() && body.front() == '<') || type.find("html") != std::string::npos) {
        result.message = name + " 返回了网页而不是短链接（HTTP " + std::to_string(status) +
                         "），服务可能暂时不可用，或它的接口已经改变。";
    } else if (body.empty()) {
        result.message = name + " 没有返回短链接（HTTP " + std::to_string(status) + "）。";
    } else {
        result.message = name + " 返回错误（HTTP " + std::to_string(status) + "）：" + firstLine(body);
    }
    return result;
}

}  // namespace qx::shortlink
