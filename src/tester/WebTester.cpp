#include "tester/WebTester.h"

#include <atomic>
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

Text answerText(const ByteArray& body, bool utf8Decode, bool simplify) {
    if (utf8Decode) return utf8BytesToText(body);
    const auto* data = reinterpret_cast<const char*>(body.data());
    Text text(data, strnlen(data, body.size()));
    if (simplify) text = traditionalToSimplified(text);
    return text;
}

namespace {
std::atomic<std::size_t> testAnswerCap{0};
}  // namespace

std::size_t answerCap() {
    const std::size_t test = testAnswerCap.load();
    return test ? test : kAnswerCapBytes;
}

void setAnswerCapForTests(std::size_t bytes) { testAnswerCap = bytes; }

Text answerCapText(std::size_t capBytes) {
    return gbk(u8"回答超过 ") + dataSizeText(capBytes) + gbk(u8"，已停止");
}

ByteArray sendTesterRequest(const TesterRequest& request, std::stop_token stop) {
    TesterResponse ignored;
    return sendTesterRequest(request, std::move(stop), ignored);
}

ByteArray sendTesterRequest(const TesterRequest& request, std::stop_token stop, TesterResponse& response) {
    net::HttpRequestOptions options;
    options.url = request.url;
    options.setMethod(request.method);
    options.body = request.body;
    options.cookies = request.cookies;
    options.headers = request.headers;
    options.noRedirect = request.noRedirect;
    if (request.windowLimit) options.timeoutSeconds = 30;
    // The transfer stops for the caller's token or for the cap, whichever comes first.
    std::stop_source ending;
    std::stop_callback chained(stop, [&ending] { ending.request_stop(); });
    options.stop = ending.get_token();
    bool tooLarge = false;
    const std::size_t cap = request.maxAnswerBytes;
    options.progress = [&](std::size_t received, long long total) {
        if (request.progress) request.progress(received, total);
        if (cap && !tooLarge && (received > cap || (total > 0 && static_cast<std::size_t>(total) > cap))) {
            tooLarge = true;
            ending.request_stop();
        }
    };
    ByteArray body = net::httpObjectRequest(options);
    response.completed = options.completed && !tooLarge;
    response.statusCode = options.statusCode;
    response.headers = options.responseHeaders;
    response.tooLarge = tooLarge && !stop.stop_requested();
    // A stopped request hands back nothing, whatever arrived before the stop.
    if (ending.stop_requested()) return {};
    return body;
}

}  // namespace qx::tester
