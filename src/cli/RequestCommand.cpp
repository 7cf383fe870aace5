// request URL [...]: the web tester's request from the command line, with the window's
// defaults, its "[romtime10]" placeholder and its views of the answer.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <memory>

#include "cli/Command.h"
#include "cli/OutputFile.h"
#include "net/HttpRequest.h"
#include "tester/HtmlToTextToggle.h"
#include "tester/WebTester.h"
#include "text/Strings.h"

namespace qx::cli {

namespace {

// Answers from here on count as downloads worth a progress line.
constexpr std::size_t kLargeAnswerBytes = 1 << 20;

struct RequestOptions {
    std::string url;
    std::string method;
    std::string body;
    std::vector<std::string> headers;
    std::string cookies;
    bool noRedirect = false;
    bool utf8 = false;
    bool simplify = false;
    bool plainText = false;
    bool tenDigits = false;
    std::string output;
    CLI::Option* bodyOption = nullptr;
    CLI::Option* outputOption = nullptr;
};

nlohmann::ordered_json headerLines(const Text& headers) {
    nlohmann::ordered_json lines = nlohmann::ordered_json::array();
    for (const Text& line : split(headers, "\r\n"))
        if (!line.empty()) lines.push_back(utf8Of(line));
    return lines;
}

std::string progressText(std::size_t received, long long total) {
    std::string text = "已下载 " + byteSizeText(static_cast<double>(received));
    if (total > 0) {
        text += " / " + byteSizeText(static_cast<double>(total));
        text += " (" + std::to_string(static_cast<long long>(received * 100.0 / static_cast<double>(total))) +
                "%)";
    }
    return text;
}

Outcome runRequest(Session& session, const RequestOptions& o) {
    Outcome failed;
    Text url, body, cookies;
    if (!session.textOf(o.url, "URL", url, failed)) return failed;
    if (!session.textOf(o.body, "BODY", body, failed)) return failed;
    if (!session.textOf(o.cookies, "COOKIES", cookies, failed)) return failed;
    TextArray headerList;
    for (const std::string& raw : o.headers) {
        Text line;
        if (!session.textOf(raw, "HEADER", line, failed)) return failed;
        headerList.push_back(std::move(line));
    }
    const bool toFile = o.outputOption->count() > 0;
    if (toFile && o.output == "-" && session.json())
        return usageFailure("conflicting-options", "-o - 把回答写到标准输出，不能与 --json 同用");

    tester::TesterRequest request;
    request.url = tester::requestAddress(url);
    // Without -X a body makes the request a POST, as it does for curl.
    const bool post = o.method.empty() ? o.bodyOption->count() > 0 : equalsIgnoreCase(o.method, "POST");
    request.method = post ? net::HttpMethod::Post : net::HttpMethod::Get;
    request.body = tester::fillTimestamps(body, o.tenDigits);
    request.cookies = cookies;
    request.headers = join(headerList, "\r\n");
    if (isBlank(request.headers)) request.headers = tester::defaultHeaderLine();
    request.noRedirect = o.noRedirect;

    OutputFile file;
    std::string error;
    if (toFile && !file.open(o.output, error)) return unwritableOutput(o.output, error);

    ProgressLine progress = session.progressLine();
    if (toFile && !file.toStandardOutput() && progress.enabled()) {
        request.progress = [&progress](std::size_t received, long long total) {
            if (received >= kLargeAnswerBytes || total >= static_cast<long long>(kLargeAnswerBytes))
                progress.show(progressText(received, total));
        };
    }
    tester::TesterResponse response;
    const ByteArray answer = tester::sendTesterRequest(request, session.stop(), response);
    progress.finish();
    if (session.stopped()) return interruptedRun();
    const std::string address = utf8Of(request.url);
    if (!response.completed) {
        if (response.statusCode == 0)
            return failure(kExitNetwork, "network", "网络请求失败，没有收到回答", address);
        return failure(kExitNetwork, "network", "回答没有完整收到", address);
    }
    if (answer.empty())
        return failure(kExitNoResult, "empty-answer", "页面返回为空",
                       "HTTP " + std::to_string(response.statusCode) + " " + address);

    nlohmann::ordered_json json = {
        {"url", address}, {"status", response.statusCode}, {"headers", headerLines(response.headers)}};
    if (toFile) {
        if (!file.write(std::string_view(reinterpret_cast<const char*>(answer.data()), answer.size()),
                        error) ||
            !file.commit(error))
            return unwritableOutput(o.output, error);
        if (file.toStandardOutput()) return success(nullptr, "");
        json["file"] = o.output;
        json["bytes"] = answer.size();
        return success(std::move(json),
                       "已保存 " + o.output + "（" + std::to_string(answer.size()) + " 字节）");
    }

    Text text = tester::answerText(answer, o.utf8, o.simplify);
    std::string note;
    if (tester::containsZeroByte(answer))
        note = "回答含二进制数据，只显示到第一个零字节；用 -o 保存全部 (binary)";
    if (o.plainText) {
        text = tester::pageToPlainText(text);
        if (text.empty()) return failure(kExitNoResult, "no-text", "取文本失败，页面里没有文字", address);
    }
    std::string shown = utf8Of(text);
    if (o.plainText) shown = withUnixLineBreaks(shown);
    json["body"] = shown;
    Outcome outcome = success(std::move(json), std::move(shown));
    outcome.note = note;
    return outcome;
}

}  // namespace

void addRequestCommand(CLI::App& app, std::vector<Command>& commands) {
    auto o = std::make_shared<RequestOptions>();
    CLI::App* sub = app.add_subcommand("request", "发送一个 HTTP 请求，显示回答（网页测试的请求）");
    sub->add_option("URL", o->url, "网址；没有 http:// 或 https:// 时在前面加 http://（“-”：从标准输入读取）")
        ->required();
    sub->add_option("-X,--method", o->method, "GET 或 POST（默认 GET；给了 -d 时 POST）")
        ->check(CLI::IsMember({"GET", "POST"}, CLI::ignore_case));
    o->bodyOption = sub->add_option("-d,--data", o->body, "POST 的数据；其中的 [romtime10] 换成时间戳");
    sub->add_option("-H,--header", o->headers,
                    "附加的协议头一行“名称: 值”，可多次给出；不给时用浏览器的 User-Agent");
    sub->add_option("-b,--cookie", o->cookies, "Cookie 文本");
    sub->add_flag("--no-redirect", o->noRedirect, "不跟随重定向");
    auto* utf8 = sub->add_flag("--utf8", o->utf8, "把回答当作 UTF-8 解码");
    auto* t2s = sub->add_flag("--t2s", o->simplify, "繁体转简体（与 --utf8 同用时只做 UTF-8 解码）");
    auto* text = sub->add_flag("--text", o->plainText, "取文本：把网页转成纯文字");
    sub->add_flag("--ts10", o->tenDigits, "[romtime10] 用 10 位（秒）时间戳，默认 13 位（毫秒）");
    o->outputOption = sub->add_option("-o,--output", o->output, "把回答的原始字节存入文件（“-”：标准输出）");
    o->outputOption->excludes(utf8)->excludes(t2s)->excludes(text);
    sub->footer("例：quorvex-cli request https://example.com/api -d 'q=1&t=[romtime10]' -H 'Accept: */*'");
    commands.push_back({sub, [o](Session& s) { return runRequest(s, *o); }});
}

}  // namespace qx::cli
