#include "tester/WebTester.h"

#include <cstring>

#include "net/HttpRequest.h"
#include "platform/system/Clock.h"
#include "platform/text/Simplify.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::tester {

Text idleCaption() { return gbk(u8"发送请求"); }
Text runningCaption() { return gbk(u8"请求中"); }
Text cancelQuestion() { return gbk(u8"需要终止请求吗？"); }
Text limitText() { return gbk(u8"请求超时[>15s]"); }

Text progressText(int seconds) {
    return gbk(u8"响应时间：") + fromInt(seconds) + "s [" + fromInt(seconds) + "/15]";
}

const Text& defaultHeaderLine() {
    static const Text line =
        "User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/92.0.4515.107 Safari/537.36";
    return line;
}

Text imageSizeText(int width, int height) {
    return gbk(u8"宽：") + fromInt(width) + gbk(u8"  高：") + fromInt(height);
}

Text collapseLineBreaks(std::string_view text) {
    if (text.empty()) return {};
    if (text.substr(0, 2) == "\r\n") text.remove_prefix(2);
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "\r\n") == 0) {
            out += "\r\n";
            while (text.compare(i, 2, "\r\n") == 0) i += 2;
        } else {
            out += text[i++];
        }
    }
    return out;
}

Text timestampText(bool tenDigits) { return timestampText(tenDigits, platform::unixTimeMilliseconds()); }

Text timestampText(bool tenDigits, long long unixMilliseconds) {
    long long seconds = unixMilliseconds / 1000;
    long long millis = unixMilliseconds % 1000;
    if (millis < 0) {  // before 1970: the milliseconds still count forward
        millis += 1000;
        seconds -= 1;
    }
    Text ms = fromInt(millis);
    while (ms.size() < 3) ms.insert(0, "0");
    Text stamp = fromInt(seconds) + ms;
    const std::size_t width = tenDigits ? 10 : 13;
    if (tenDigits && stamp.size() > 10) stamp.resize(10);
    while (stamp.size() < width) stamp += '0';
    return stamp;
}

Text fillTimestamps(std::string_view body, bool tenDigits) {
    static constexpr std::string_view kPlaceholder = "[romtime10]";
    if (body.find(kPlaceholder) == std::string_view::npos) return Text(body);
    return replaceAll(body, kPlaceholder, timestampText(tenDigits));
}

Text utf8BytesToText(const ByteArray& bytes) {
    if (bytes.empty()) return {};
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    // A zero byte is the zero character in UTF-8: the text ends there.
    return utf8ToText(std::string_view(data, strnlen(data, bytes.size())));
}

Text traditionalToSimplified(const Text& text) { return platform::simplifyGbk(text); }

bool containsZeroByte(const ByteArray& bytes) {
    return !bytes.empty() && std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
}

Text dataSizeText(std::size_t byteCount) {
    const double megabytes = static_cast<double>(byteCount) / 1048576.0;
    if (megabytes - 1 < -1e-7) return fromDouble(static_cast<double>(byteCount) / 1024.0) + " KB";
    return fromDouble(megabytes) + " MB";
}

Text requestAddress(std::string_view typed) {
    Text address = collapseLineBreaks(typed);
    if (!contains(address, "http://") && !contains(address, "https://")) address.insert(0, "http://");
    return address;
}

namespace {

// The length of the longest prefix of at most `limit` bytes that ends on a character boundary.
std::size_t utf8Boundary(const std::uint8_t* data, std::size_t size, std::size_t limit) {
    if (size <= limit) return size;
    std::size_t end = limit;
    for (int back = 0; back < 3 && end > 0 && (data[end] & 0xC0) == 0x80; ++back) --end;
    return end;
}

std::size_t gbkBoundary(const std::uint8_t* data, std::size_t size, std::size_t limit) {
    if (size <= limit) return size;
    std::size_t i = 0;
    while (i < limit) {
        const std::size_t step = isGbkLead(data[i]) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

}  // namespace

Text answerText(const ByteArray& body, bool utf8Decode, bool simplify, std::size_t shownBytes) {
    const std::uint8_t* data = body.data();
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(data, 0, body.size()));
    const std::size_t length = zero ? static_cast<std::size_t>(zero - data) : body.size();
    Text text;
    if (utf8Decode) {
        const std::size_t end = utf8Boundary(data, length, shownBytes);
        text = utf8BytesToText(ByteArray(data, data + end));
    } else {
        const std::size_t end = gbkBoundary(data, length, shownBytes);
        text.assign(reinterpret_cast<const char*>(data), end);
        if (simplify) text = traditionalToSimplified(text);
    }
    if (length > shownBytes)
        text += "\r\n\r\n" + gbk(u8"[ 数据过长，这里只显示了前 ") + dataSizeText(shownBytes) +
                gbk(u8"，共 ") + dataSizeText(body.size()) + " ]";
    return text;
}

ByteArray sendTesterRequest(const TesterRequest& request, std::stop_token stop) {
    TesterResponse ignored;
    return sendTesterRequest(request, std::move(stop), ignored);
}

ByteArray sendTesterRequest(const TesterRequest& request, std::stop_token stop, TesterResponse& response) {
    net::HttpRequestOptions options;
    options.url = request.url;
    options.method = request.method;
    options.body = request.body;
    options.cookies = request.cookies;
    options.headers = request.headers;
    options.noRedirect = request.noRedirect;
    if (request.windowLimit) options.timeoutSeconds = 30;
    options.stop = std::move(stop);
    options.progress = request.progress;
    ByteArray body = net::httpObjectRequest(options);
    response.completed = options.completed;
    response.statusCode = options.statusCode;
    response.headers = options.responseHeaders;
    // A stopped request hands back nothing, whatever arrived before the stop.
    if (options.stop.stop_requested()) return {};
    return body;
}

}  // namespace qx::tester
