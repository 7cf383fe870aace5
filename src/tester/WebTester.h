#pragma once
// The web tester without its window: the routines over the typed request and the answer, and
// the request itself.
#include <cstddef>
#include <functional>
#include <stop_token>

#include "core/Text.h"
#include "net/HttpRequest.h"

namespace qx::tester {

// Texts of the window.
Text idleCaption();     // "发送请求"
Text runningCaption();  // "请求中"
Text cancelQuestion();  // "需要终止请求吗？"
Text limitText();       // "请求超时[>15s]"
Text progressText(int seconds);
const Text& defaultHeaderLine();
// "宽：" width "  高：" height
Text imageSizeText(int width, int height);

// Ticks of the one-second timer before the limit strikes (at the next one).
constexpr int kLimitSeconds = 15;

// Drops one CR LF at the very start and reduces every run of CR LF pairs to one.
Text collapseLineBreaks(std::string_view text);

// Seconds since 1970-01-01 followed by the three digits of the milliseconds (13 digits), or the
// first 10 characters of that (the seconds). The program counted from 1970-01-01 08:00:00 local
// time, which is Unix time only in UTC+8; counting Unix time gives its users the same value
// in every time zone.
Text timestampText(bool tenDigits);
Text timestampText(bool tenDigits, long long unixMilliseconds);
// Every "[romtime10]" of the body replaced by one and the same timestamp.
Text fillTimestamps(std::string_view body, bool tenDigits);

// UTF-8 bytes as GBK text (a character GBK cannot hold becomes '?'), up to a zero character.
Text utf8BytesToText(const ByteArray& bytes);
// Traditional characters of the GBK text made simplified; one whose simplified form GBK
// cannot hold stays as it was.
Text traditionalToSimplified(const Text& text);
// True when a zero byte would cut the bytes short as a text.
bool containsZeroByte(const ByteArray& bytes);
// The byte count as "<n> KB" below one megabyte, else "<n> MB" (up to 13 significant digits).
Text dataSizeText(std::size_t byteCount);

// The address as the request uses it: line breaks collapsed, and "http://" in front unless
// "http://" or "https://" appears in it (case-sensitively).
Text requestAddress(std::string_view typed);

// The answer as the response box holds it: the bytes up to the first zero byte, UTF-8-decoded or
// (only when not decoded) simplified. The whole of it: copy and 取文本 take the box's text, and
// only the view shows less of a long one.
Text answerText(const ByteArray& body, bool utf8Decode, bool simplify);

// The most the window takes of an answer: without the time limit a server that sends without
// end would fill the memory. A longer answer ends the request with answerCapText.
constexpr std::size_t kAnswerCapBytes = std::size_t{256} << 20;
std::size_t answerCap();
// Tests lower the cap to see it strike at once (0 restores the real one).
void setAnswerCapForTests(std::size_t bytes);
// "回答超过 <cap>，已停止"
Text answerCapText(std::size_t capBytes);

struct TesterRequest {
    Text url;
    net::HttpMethod method = net::HttpMethod::Get;  // the window and the CLI send GET or POST
    Text body;
    Text cookies;
    Text headers;
    bool noRedirect = false;
    // With the window's 15-second limit on, the request object's own idle time-out must not
    // strike first: a silent server then ends as "请求超时[>15s]", not as an empty answer.
    bool windowLimit = false;
    // Hears the answer's body grow: bytes so far and the announced length (-1: none).
    std::function<void(std::size_t received, long long total)> progress;
    // An answer longer than this (or announced so) ends the request; 0: no cap.
    std::size_t maxAnswerBytes = 0;
};

// What came back besides the body. Not completed: the exchange failed (no connection, a
// time-out, an answer cut short); a status of 0 then means no answer began at all.
struct TesterResponse {
    bool completed = false;
    int statusCode = 0;
    Text headers;
    bool tooLarge = false;  // stopped at maxAnswerBytes
};

// Sends the request with the request object's own 15-second time-outs (longer when the window's
// limit governs); the answer's body, or empty bytes when the request failed or was stopped.
ByteArray sendTesterRequest(const TesterRequest& request, std::stop_token stop);
ByteArray sendTesterRequest(const TesterRequest& request, std::stop_token stop, TesterResponse& response);

}  // namespace qx::tester
