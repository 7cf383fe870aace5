#pragma once
// What a resolver gets from its caller besides the link and the password.
#include <functional>
#include <stop_token>

namespace qx::resolvers {

struct ResolveContext {
    // Ends the requests early (the program is closing); a stopped resolver gives its failure result.
    std::stop_token stop;
    // Lets the caller's user interface handle pending input once; empty when there is none.
    std::function<void()> processPendingInput;
};

}  // namespace qx::resolvers
