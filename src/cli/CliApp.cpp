#include "cli/CliApp.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/Outcome.h"

#ifndef QX_CLI_VERSION
#define QX_CLI_VERSION "0"
#endif

namespace qx::cli {

namespace {

constexpr const char* kProgram = "quorvex-cli";

void useChineseLabels(CLI::App& app) {
    auto formatter = app.get_formatter();
    formatter->label("Usage", "用法");
    formatter->label("OPTIONS", "选项");
    formatter->label("Options", "选项");
    formatter->label("Positionals", "参数");
    formatter->label("SUBCOMMAND", "命令");
    formatter->label("SUBCOMMANDS", "命令");
    formatter->label("Subcommands", "命令");
    formatter->label("Excludes", "不能同用");
    formatter->label("Needs", "需要");
    formatter->column_width(34);
}

// The English parse messages of the library, with a Chinese head and a key word for scripts.
Outcome parseFailure(const CLI::ParseError& e) {
    const std::string what = e.what();
    if (dynamic_cast<const CLI::RequiredError*>(&e)) return usageFailure("missing-argument", "缺少参数", what);
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) return usageFailure("extra-argument", "多余的参数", what);
    if (dynamic_cast<const CLI::ValidationError*>(&e) || dynamic_cast<const CLI::ConversionError*>(&e))
        return usageFailure("invalid-argument", "参数无效", what);
    if (dynamic_cast<const CLI::ExcludesError*>(&e)) return usageFailure("conflicting-options", "选项不能同用", what);
    return usageFailure("usage", "用法错误", what);
}

// --json anywhere before "--" asks for JSON, even when the rest of the line does not parse.
bool wantsJson(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        if (arg == "--json") return true;
    }
    return false;
}

void report(const Console& console, const Outcome& outcome, bool json) {
    if (json) {
        Console::writeAll(1, jsonLine(outcome) + "\n");
    } else if (outcome.ok() && !outcome.text.empty()) {
        std::string text = outcome.text;
        if (text.back() != '\n') text += '\n';
        console.printOut(text);
    }
    if (!outcome.ok()) {
        console.printError(std::string(kProgram) + ": " + outcome.errorLine() + "\n");
    } else if (!outcome.note.empty()) {
        console.printError(std::string(kProgram) + ": " + outcome.note + "\n");
    }
}

int finish(const Console& console, const Outcome& outcome, bool json) {
    beginFinalOutput();
    report(console, outcome, json);
    return outcome.exitCode;
}

}  // namespace

int runCli(int argc, char** argv) {
    // Never destroyed: the interrupt watcher may still report through it while the run ends.
    Console& console = *new Console;
    console.claimStandardStreams();
    watchInterrupts();
    const bool json = wantsJson(argc, argv);
    setForcedExitReport([&console, json](int signal) { report(console, interrupted(signal), json); });

    std::string unknownCharset;
    if (!console.chooseCharset(unknownCharset))
        return finish(console,
                      usageFailure("unsupported-charset", "终端的字符集无法转换",
                                   unknownCharset + "；请使用 UTF-8 的区域设置，例如 LANG=C.UTF-8"),
                      json);

    try {
        CLI::App app("Quorvex工具箱的服务：网盘直链解析、网页请求、编码转换、正则匹配、语音合成、在线公告、下载测速、QQ 头像与网站图标。",
                     kProgram);
        useChineseLabels(app);
        app.option_defaults()->group("选项");  // subcommands take the parent's defaults
        app.set_help_flag("-h,--help", "显示帮助后退出");
        app.set_version_flag("--version", std::string(kProgram) + " " + QX_CLI_VERSION, "显示版本后退出");
        bool jsonFlag = false;
        app.add_flag("--json", jsonFlag, "输出一个 JSON 对象：{\"ok\": true, \"result\": …} 或 {\"ok\": false, \"error\": …}");
        app.require_subcommand(1);
        app.fallthrough();
        app.footer("“-” 作为文本、链接或网址时从标准输入读取。退出码：0 成功，1 服务没有给出结果，2 用法错误，"
                   "3 网络失败，130 被中断。\n用 quorvex-cli 命令 --help 查看每个命令。");

        std::vector<Command> commands;
        addResolveCommand(app, commands);
        addRequestCommand(app, commands);
        addEncodeCommand(app, commands);
        addDecodeCommand(app, commands);
        addRegexCommand(app, commands);
        addTtsCommand(app, commands);
        addNoticeCommand(app, commands);
        addAvatarCommand(app, commands);
        addFaviconCommand(app, commands);
        addSpeedTestCommand(app, commands);
        for (Command& c : commands) {
            c.app->add_flag("--json", jsonFlag, "输出一个 JSON 对象");
            c.app->group("命令");
            c.app->set_help_flag("-h,--help", "显示帮助后退出");  // again, in the group above
        }

        try {
            app.parse(argc, argv);
        } catch (const CLI::CallForHelp&) {
            console.printOut(app.help());
            return kExitSuccess;
        } catch (const CLI::CallForAllHelp&) {
            console.printOut(app.help("", CLI::AppFormatMode::All));
            return kExitSuccess;
        } catch (const CLI::CallForVersion& e) {
            console.printOut(std::string(e.what()) + "\n");
            return kExitSuccess;
        } catch (const CLI::ParseError& e) {
            // A word where the command belongs is a command this program does not have.
            const std::vector<std::string> rest = app.remaining();
            if (dynamic_cast<const CLI::RequiredError*>(&e) && app.get_subcommands().empty() && !rest.empty())
                return finish(console, usageFailure("unknown-command", "未知的命令 " + rest.front()), json);
            return finish(console, parseFailure(e), json);
        }

        Session session(console, json, interruptToken());
        for (Command& c : commands) {
            if (!c.app->parsed()) continue;
            Outcome outcome = c.run(session);
            // A transfer the signal stopped fails; that failure is the interruption.
            if (!outcome.ok() && interruptSignal() != 0) outcome = interrupted(interruptSignal());
            return finish(console, outcome, json);
        }
        return finish(console, usageFailure("usage", "没有给出命令"), json);
    } catch (const std::exception& e) {
        return finish(console, failure(kExitNoResult, "internal", "内部错误", e.what()), json);
    }
}

}  // namespace qx::cli
