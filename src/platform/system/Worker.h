#pragma once
// Workers are detached threads, never joined; they stop cooperatively through their token.
#include <chrono>
#include <functional>
#include <stop_token>

namespace qx::platform {

// Starts f on a new detached thread. The token is requested to stop only by stopAllWorkers.
// Throws std::system_error when the system gives no thread; nothing was started then.
void startWorker(std::function<void(std::stop_token)> f);
// The same, with a token that also stops when `also` does (the worker's window closing, say).
void startWorker(std::stop_token also, std::function<void(std::stop_token)> f);
// Asks every worker to stop (process end, tests).
void stopAllWorkers();
// Waits until no worker runs any more; false when some still run after timeout. Tests end with
// it, so that no worker outlives what it reads.
bool waitForAllWorkers(std::chrono::milliseconds timeout);
// Makes the next n starts fail as when the system has no thread left (tests).
void failWorkerStartsForTests(int n);

}  // namespace qx::platform
