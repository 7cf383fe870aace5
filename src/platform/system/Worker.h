#pragma once
// Workers are detached threads, never joined; they stop cooperatively through their token.
#include <functional>
#include <stop_token>

namespace qx::platform {

// Starts f on a new detached thread. The token is requested to stop only by stopAllWorkers.
void startWorker(std::function<void(std::stop_token)> f);
// Asks every worker to stop (process end, tests).
void stopAllWorkers();

}  // namespace qx::platform
