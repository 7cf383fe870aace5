// encode, decode and regex: the encoder window's outputs and the regex tester's matches.
#include <CLI/CLI.hpp>
#include <memory>

#include "cli/Command.h"
#include "script/RegexMatcher.h"
#include "text/Decoders.h"
#include "utilities/encoder/EncoderEncode.h"
#include "utilities/regextester/RegexTest.h"

namespace qx::cli {

namespace {

// A script has no window to freeze, but should not wait for ever on a runaway pattern either.
constexpr int kCliMatchTimeLimitMs = 30000;

struct TextOption {
    std::string text;
};

Outcome runEncode(Session& session, const TextOption& o) {
    Outcome failed;
    Text input;
    if (!session.textOf(o.text, "TEXT", input, failed)) return failed;
    const encoder::EncodedTexts out = encoder::encodeText(input);
    nlohmann::ordered_json json = {{"url", utf8Of(out.url)},
                           {"utf8", utf8Of(out.utf8)},
                           {"ansi", utf8Of(out.ansi)},
                           {"unicode", utf8Of(out.unicode)}};
    std::string text = "URL: " + utf8Of(out.url) + "\nUTF-8: " + utf8Of(out.utf8) + "\nAnsi: " + utf8Of(out.ansi) +
                       "\nUnicode: " + utf8Of(out.unicode);
    return success(std::move(json), std::move(text));
}

struct DecodeOptions {
    std::string text;
    bool utf8 = false;
    bool percent = false;
    bool unicode = false;
};

Outcome runDecode(Session& session, const DecodeOptions& o) {
    if (o.utf8 + o.percent + o.unicode != 1)
        return usageFailure("missing-argument", "请给出 --utf8、--percent、--unicode 中的一个");
    Outcome failed;
    Text input;
    if (!session.textOf(o.text, "TEXT", input, failed)) return failed;
    Text decoded;
    if (o.utf8) decoded = decodeUtf8Bytes(input);
    if (o.percent) decoded = decodePercent(input);
    if (o.unicode) decoded = decodeUnicodeEscapes(input);
    const std::string text = utf8Of(decoded);
    return success({{"text", text}}, text);
}

struct RegexOptions {
    std::string pattern;
    std::string text;
};

Outcome runRegex(Session& session, const RegexOptions& o) {
    Outcome failed;
    Text pattern, subject;
    if (!session.textOf(o.pattern, "PATTERN", pattern, failed)) return failed;
    if (!session.textOf(o.text, "TEXT", subject, failed)) return failed;
    TextArray matches;
    if (!regextester::collectMatches(pattern, subject, matches, kCliMatchTimeLimitMs)) {
        script::RegexObject probe;
        if (!probe.create(pattern, Text())) return usageFailure("bad-pattern", "正则表达式无效", o.pattern);
        return failure(kExitNoResult, "gave-up", "匹配太费力，已放弃");
    }
    if (matches.empty()) return failure(kExitNoResult, "no-match", "没有匹配");
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    std::string text;
    for (const Text& m : matches) {
        const std::string match = utf8Of(m);
        list.push_back(match);
        text += match + "\n";
    }
    return success({{"matches", std::move(list)}}, std::move(text));
}

}  // namespace

void addEncodeCommand(CLI::App& app, std::vector<Command>& commands) {
    auto o = std::make_shared<TextOption>();
    CLI::App* sub = app.add_subcommand("encode", "编码转换：URL、UTF-8、Ansi 与 %u 四种形式");
    sub->add_option("TEXT", o->text, "要编码的文本（“-”：从标准输入读取）")->required();
    sub->footer("例：quorvex-cli encode 你好");
    commands.push_back({sub, [o](Session& s) { return runEncode(s, *o); }});
}

void addDecodeCommand(CLI::App& app, std::vector<Command>& commands) {
    auto o = std::make_shared<DecodeOptions>();
    CLI::App* sub = app.add_subcommand("decode", "解码：UTF-8 乱码、%XX 转义或 \\u 转义还原为文字");
    sub->add_option("TEXT", o->text, "要解码的文本（“-”：从标准输入读取）")->required();
    auto* utf8 = sub->add_flag("--utf8", o->utf8, "把按 GBK 显示的 UTF-8 字节还原");
    auto* percent = sub->add_flag("--percent", o->percent, "%XX 转义还原为字节");
    auto* unicode = sub->add_flag("--unicode", o->unicode, "\\uXXXX、%uXXXX 转义还原为文字");
    utf8->excludes(percent)->excludes(unicode);
    percent->excludes(unicode);
    sub->footer("例：quorvex-cli decode --percent %C4%E3%BA%C3");
    commands.push_back({sub, [o](Session& s) { return runDecode(s, *o); }});
}

void addRegexCommand(CLI::App& app, std::vector<Command>& commands) {
    auto o = std::make_shared<RegexOptions>();
    CLI::App* sub = app.add_subcommand("regex", "正则匹配：每个匹配一行（不区分大小写，^ $ 匹配行首行尾）");
    sub->add_option("PATTERN", o->pattern, "JavaScript 语法的正则表达式（“-”：从标准输入读取）")->required();
    sub->add_option("TEXT", o->text, "要匹配的文本（“-”：从标准输入读取）")->required();
    sub->footer("例：quorvex-cli regex '\\d+' 'a1b22c333'");
    commands.push_back({sub, [o](Session& s) { return runRegex(s, *o); }});
}

}  // namespace qx::cli
