#include "resolvers/ResolverTable.h"

#include "platform/http/ConnectionShare.h"
#include "resolvers/Bilnn.h"
#include "resolvers/Ctfile.h"
#include "resolvers/Lanzou.h"
#include "resolvers/OneDriveBusiness.h"
#include "resolvers/Wenshushu.h"
#include "resolvers/Yunpan360.h"

namespace qx::resolvers {
namespace {

// Each descriptor sits at the end of its resolver's source file.

constexpr const ResolverDescriptor* kResolvers[] = {
    &kLanzouResolver, &kOneDriveBusinessResolver, &kBilnnResolver,
    &kCtfileResolver, &kYunpan360Resolver,        &kWenshushuResolver,
};

// host is domain itself or one of its subdomains, or pattern is "*word*" and host holds word.
bool hostMatches(std::string_view host, std::string_view pattern) {
    if (pattern.size() > 2 && pattern.front() == '*' && pattern.back() == '*')
        return host.find(pattern.substr(1, pattern.size() - 2)) != std::string_view::npos;
    if (host == pattern) return true;
    return host.size() > pattern.size() && host.ends_with(pattern) &&
           host[host.size() - pattern.size() - 1] == '.';
}

}  // namespace

std::span<const ResolverDescriptor* const> resolverTable() { return kResolvers; }

const ResolverDescriptor* findResolver(int service) {
    for (const ResolverDescriptor* d : kResolvers)
        if (static_cast<int>(d->service) == service) return d;
    return nullptr;
}

const ResolverDescriptor* findResolver(Service service) { return findResolver(static_cast<int>(service)); }

const ResolverDescriptor* resolverForHost(std::string_view host) {
    if (host.empty()) return nullptr;
    for (const ResolverDescriptor* d : kResolvers)
        for (std::string_view pattern : d->hosts)
            if (hostMatches(host, pattern)) return d;
    return nullptr;
}

std::optional<ResolveResult> resolveShareLink(int service, const Text& link, const Text& password,
                                              const ResolveContext& context) {
    const ResolverDescriptor* d = findResolver(service);
    if (!d) return std::nullopt;
    // The chain's requests to one host share a connection, closed before the result goes out.
    platform::ConnectionScope chain;
    return d->resolve(link, d->takesPassword ? password : Text(), context);
}

std::optional<ResolveResult> resolveShareLink(Service service, const Text& link, const Text& password,
                                              const ResolveContext& context) {
    return resolveShareLink(static_cast<int>(service), link, password, context);
}

ResolveResult typedResult(const ResolveContext& context,
                          const std::function<Text(const ResolveContext&)>& steps, const Text& failureText) {
    bool unanswered = false;
    ResolveContext traced = context;
    traced.unanswered = &unanswered;
    Text text = steps(traced);
    if (!text.empty() && text != failureText) return {ResolveOutcome::Address, std::move(text)};
    if (unanswered) return {ResolveOutcome::NetworkFailure, failureText};
    if (!failureText.empty()) return {ResolveOutcome::ServiceMessage, failureText};
    return {ResolveOutcome::NoResult, {}};
}

}  // namespace qx::resolvers
