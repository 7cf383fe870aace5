#pragma once
// The cloud-share resolvers: each one ends its source file with its descriptor, and the table
// lists the descriptors in the order of the main window's cloud buttons.
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "core/Text.h"
#include "resolvers/ResolveContext.h"
#include "resolvers/Service.h"

namespace qx::resolvers {

enum class ResolveOutcome {
    Address,         // text is the direct address
    NetworkFailure,  // a request got no answer (refused, no handshake, cut short)
    NoResult,        // the service answered, but with nothing usable
    ServiceMessage,  // the service's own message in place of an address (text)
};

struct ResolveResult {
    ResolveOutcome outcome = ResolveOutcome::NoResult;
    // What the resolver window shows: the address, or the service's message for a service that
    // answers one whenever it fails (a network failure too); empty otherwise.
    Text text;
};

using ResolveFunction = ResolveResult (*)(const Text& link, const Text& password,
                                          const ResolveContext& context);

struct ResolverDescriptor {
    Service service;
    std::string_view key;          // short ASCII name
    std::string_view commandName;  // the command line's name, which may be shorter ("360")
    const char8_t* title;          // the resolver window's title
    // The domains its share links live on, subdomains included; "*word*" matches any host with
    // word in it.
    std::span<const std::string_view> hosts;
    std::string_view picture;  // the name res::pictureNamed knows it by
    bool takesPassword;
    ResolveFunction resolve;
};

std::span<const ResolverDescriptor* const> resolverTable();
// The descriptor of that service number, or nullptr.
const ResolverDescriptor* findResolver(int service);
const ResolverDescriptor* findResolver(Service service);
// The descriptor whose hosts hold that host (lower case); nullptr when none does.
const ResolverDescriptor* resolverForHost(std::string_view host);

// Runs the resolver of the service with the link and, for the services that take one, the
// password. Nothing (std::nullopt) for a number that names no service.
std::optional<ResolveResult> resolveShareLink(int service, const Text& link, const Text& password,
                                              const ResolveContext& context = {});
std::optional<ResolveResult> resolveShareLink(Service service, const Text& link, const Text& password,
                                              const ResolveContext& context = {});

// For the descriptors: runs a resolver's steps, which end with the address or failureText, and
// types their answer. A failure is a network failure when one of its requests got no answer; a
// non-empty failureText is the service's message.
ResolveResult typedResult(const ResolveContext& context,
                          const std::function<Text(const ResolveContext&)>& steps,
                          const Text& failureText = {});

}  // namespace qx::resolvers
