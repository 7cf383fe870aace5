#pragma once
// What a resolver gets from its caller besides the link and the password.
#include <functional>
#include <stop_token>

#include "core/Text.h"

namespace qx::resolvers {

// One answer of a service as an exchange hands it back.
struct ServiceAnswer {
    Text headers;  // the header lines, each ending CR LF, without the status line
    ByteArray body;
};

struct ResolveContext {
    // Ends the requests early (the program is closing); a stopped resolver gives its failure result.
    std::stop_token stop;
    // Set when one of the requests got no answer (refused, no handshake, cut short); the
    // resolver table points it at its own flag.
    bool* unanswered = nullptr;
    // Takes the requests (method, address) instead of the network when set, so that the
    // resolvers' answer handling can be fed answers directly (the fuzzers do). The program
    // leaves it empty.
    std::function<ServiceAnswer(const Text& method, const Text& url)> exchange;
};

}  // namespace qx::resolvers
