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

}  // namespace

int serviceNumberOf(std::string_view name) {
    const std::string n = lowerAscii(name);
    if (n == "auto") return kAutoService;
    for (const resolvers::ResolverDescriptor* d : resolvers::resolverTable()) {
        const int service = static_cast<int>(d->service);
        if (n == d->key || n == d->commandName || n == std::to_string(service)) return service;
    }
    return 0;
}

std::string cliServiceName(int service) {
    const resolvers::ResolverDescriptor* d = resolvers::findResolver(service);
    return d ? std::string(d->commandName) : std::string();
}

namespace {
std::string joinedServiceNames(std::string_view separator) {
    std::string out;
    for (const resolvers::ResolverDescriptor* d : resolvers::resolverTable())
        out += std::string(d->commandName) + std::string(separator);
    return out + "auto";
}
}  // namespace

std::string serviceNamesText() { return joinedServiceNames(", "); }

std::string serviceNameWords() { return joinedServiceNames(" "); }

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
    const resolvers::ResolverDescriptor* d = resolvers::resolverForHost(linkHost(link));
    return d ? static_cast<int>(d->service) : 0;
}

}  // namespace qx::cli
