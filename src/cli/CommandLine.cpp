#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>

#include "cli/ServiceChoice.h"

#ifndef QX_CLI_VERSION
#define QX_CLI_VERSION "0"
#endif

namespace qx::cli {

namespace {

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
    if (dynamic_cast<const CLI::RequiredError*>(&e))
        return usageFailure("missing-argument", "缺少参数", what);
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) return usageFailure("extra-argument", "多余的参数", what);
    if (dynamic_cast<const CLI::ValidationError*>(&e) || dynamic_cast<const CLI::ConversionError*>(&e))
        return usageFailure("invalid-argument", "参数无效", what);
    if (dynamic_cast<const CLI::ExcludesError*>(&e))
        return usageFailure("conflicting-options", "选项不能同用", what);
    return usageFailure("usage", "用法错误", what);
}

}  // namespace

CommandLine::CommandLine()
    : app_(std::make_unique<CLI::App>("Quorvex工具箱的服务：网盘直链解析、网页请求、编码转换、正则匹配、语音"
                                      "合成、在线公告、下载测速、QQ 头像与网站图标。",
                                      kProgram)) {
    CLI::App& app = *app_;
    useChineseLabels(app);
    app.option_defaults()->group("选项");  // subcommands take the parent's defaults
    app.set_help_flag("-h,--help", "显示帮助后退出");
    app.set_version_flag("--version", std::string(kProgram) + " " + QX_CLI_VERSION, "显示版本后退出");
    app.add_flag("--json", json_,
                 "输出一个 JSON 对象：{\"ok\": true, \"result\": …} 或 {\"ok\": false, \"error\": …}");
    // Hidden: the shell's completion asks for the service names, which the resolver table holds.
    app.add_flag_callback("--list-services", [] { throw CLI::Success(); })->group("");
    app.require_subcommand(1);
    app.fallthrough();
    app.footer(
        "“-” 作为文本、链接或网址时从标准输入读取。退出码：0 成功，1 服务没有给出结果，2 用法错误，"
        "3 网络失败，130 被中断。\n用 quorvex-cli 命令 --help 查看每个命令。");

    addResolveCommand(app, commands_);
    addRequestCommand(app, commands_);
    addEncodeCommand(app, commands_);
    addDecodeCommand(app, commands_);
    addRegexCommand(app, commands_);
    addTtsCommand(app, commands_);
    addNoticeCommand(app, commands_);
    addAvatarCommand(app, commands_);
    addFaviconCommand(app, commands_);
    addSpeedTestCommand(app, commands_);
    for (Command& c : commands_) {
        c.app->add_flag("--json", json_, "输出一个 JSON 对象");
        c.app->group("命令");
        c.app->set_help_flag("-h,--help", "显示帮助后退出");  // again, in the group above
    }
}

CommandLine::~CommandLine() = default;

CommandLine::Parsed CommandLine::parse(int argc, char** argv) {
    Parsed parsed;
    CLI::App& app = *app_;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        parsed.printed = app.help();
        return parsed;
    } catch (const CLI::CallForAllHelp&) {
        parsed.printed = app.help("", CLI::AppFormatMode::All);
        return parsed;
    } catch (const CLI::CallForVersion& e) {
        parsed.printed = std::string(e.what()) + "\n";
        return parsed;
    } catch (const CLI::Success&) {
        parsed.printed = serviceNameWords() + "\n";  // --list-services
        return parsed;
    } catch (const CLI::ParseError& e) {
        // A word where the command belongs is a command this program does not have.
        const std::vector<std::string> rest = app.remaining();
        if (dynamic_cast<const CLI::RequiredError*>(&e) && app.get_subcommands().empty() && !rest.empty())
            parsed.ended = usageFailure("unknown-command", "未知的命令 " + rest.front());
        else
            parsed.ended = parseFailure(e);
        return parsed;
    }
    for (const Command& c : commands_)
        if (c.app->parsed()) {
            parsed.command = &c;
            return parsed;
        }
    parsed.ended = usageFailure("usage", "没有给出命令");
    return parsed;
}

bool wantsJson(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        if (arg == "--json") return true;
    }
    return false;
}

}  // namespace qx::cli
