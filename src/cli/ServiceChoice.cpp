#include "cli/ServiceChoice.h"

#include "resolvers/ResolverTable.h"

namespace qx::cli {

namespace {

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// host is domain itself or one of its subdomains.
bool onDomain(const std::string& host, std::string_view domain) {
    if (host == domain) return true;
    return host.size() > domain.size() && host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
           host[host.size() - domain.size() - 1] == '.';
}

struct HostRule {
    std::string_view domain;
    int service;
};

// clang-format off
constexpr HostRule kHostRules[] = {
    {"sharepoint.com", 2},
    {"bilnn.com",      3},
    {"ctfile.com",     4},
    {"yunpan.com",     5}, {"yunpan.cn", 5},
    {"wenshushu.cn",   6}, {"wss1.cn",   6}, {"wss.ink", 6},
};
// clang-format on

}  // namespace

int serviceNumberOf(std::string_view name) {
    const std::string n = lowerAscii(name);
    if (n == "auto") return kAutoService;
    if (n == "360") return 5;
    for (const resolvers::ResolverEntry& e : resolvers::resolverTable())
        if (n == e.name || n == std::to_string(e.service)) return e.service;
    return 0;
}

std::string cliServiceName(int service) {
    if (service == 5) return "360";
    const resolvers::ResolverEntry* e = resolvers::findResolver(service);
    return e ? std::string(e->name) : std::string();
}

std::string serviceNamesText() {
    std::string out;
    for (const resolvers::ResolverEntry& e : resolvers::resolverTable()) out += cliServiceName(e.service) + ", ";
    return out + "auto";
}

std::string linkHost(std::string_view link) {
    while (!link.empty() && (link.front() == ' ' || link.front() == '\t')) link.remove_prefix(1);
    const std::size_t scheme = link.find("://");
    if (scheme != std::string_view::npos) link.remove_prefix(scheme + 3);
    link = link.substr(0, link.find_first_of("/?#"));
    const std::size_t at = link.rfind('@');
    if (at != std::string_view::npos) link.remove_prefix(at + 1);
    link = link.substr(0, link.find(':'));
    return lowerAscii(link);
}

int serviceForLink(const Text& link) {
    const std::string host = linkHost(link);
    if (host.empty()) return 0;
    // Lanzou moves between lanzoui.com, lanzoux.com, lanzous.com and more.
    if (host.find("lanzou") != std::string::npos) return 1;
    for (const HostRule& rule : kHostRules)
        if (onDomain(host, rule.domain)) return rule.service;
    return 0;
}

}  // namespace qx::cli
