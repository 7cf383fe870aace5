// resolve SERVICE LINK [-p PASSWORD]: a share link to its direct address through the resolver
// table the resolver window uses.
#include <CLI/CLI.hpp>
#include <memory>

#include "cli/Command.h"
#include "cli/ServiceChoice.h"
#include "resolvers/ResolverTable.h"

namespace qx::cli {

namespace {

struct ResolveOptions {
    std::string service;
    std::string link;
    std::string password;
};

Outcome runResolve(Session& session, const ResolveOptions& o) {
    Outcome failed;
    Text link;
    Text password;
    if (!session.textOf(o.link, "LINK", link, failed)) return failed;
    if (!session.textOf(o.password, "PASSWORD", password, failed)) return failed;

    int service = serviceNumberOf(o.service);
    if (service == kAutoService) {
        service = serviceForLink(link);
        if (service == 0)
            return usageFailure("unknown-host", "无法从链接的主机名判断服务，请直接给出服务名",
                                serviceNamesText());
    }
    if (service == 0) return usageFailure("unknown-service", "未知的服务 " + o.service, serviceNamesText());

    resolvers::ResolveContext context;
    context.stop = session.stop();
    const std::optional<resolvers::ResolveResult> result =
        resolvers::resolveShareLink(service, link, password, context);
    if (session.stopped()) return interruptedRun();
    const std::string name = cliServiceName(service);
    using resolvers::ResolveOutcome;
    switch (result ? result->outcome : ResolveOutcome::NoResult) {
        case ResolveOutcome::Address:
            break;
        case ResolveOutcome::NetworkFailure:
            return failure(kExitNetwork, "network", "网盘服务没有回答", name);
        case ResolveOutcome::ServiceMessage:
            return failure(kExitNoResult, "no-result", "没有得到直链", utf8Of(result->text));
        case ResolveOutcome::NoResult:
            return failure(kExitNoResult, "no-result", "没有得到直链", name);
    }

    nlohmann::ordered_json json = {{"service", name}, {"url", utf8Of(result->text)}};
    return success(std::move(json), utf8Of(result->text));
}

}  // namespace

void addResolveCommand(CLI::App& app, std::vector<Command>& commands) {
    auto options = std::make_shared<ResolveOptions>();
    CLI::App* sub = app.add_subcommand("resolve", "网盘分享链接解析为直链");
    sub->add_option("SERVICE", options->service,
                    "服务：lanzou、onedrive、bilnn、ctfile、360、wenshushu，或 auto（按链接的主机名选择）")
        ->required();
    sub->add_option("LINK", options->link, "分享链接（“-”：从标准输入读取）")->required();
    sub->add_option("-p,--password", options->password, "提取码或密码（lanzou、ctfile、wenshushu 使用）");
    sub->footer("例：quorvex-cli resolve lanzou https://www.lanzoui.com/iabc123 -p 1234");
    commands.push_back({sub, [options](Session& s) { return runResolve(s, *options); }});
}

}  // namespace qx::cli
