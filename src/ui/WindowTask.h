#pragma once
// Starting a window's worker: when the system gives no thread, the window says so and stays as
// it was, instead of an exception reaching the event loop in the middle of a click.
#include <functional>
#include <stop_token>

#include "core/Text.h"
#include "ui/WindowSystem.h"

namespace qx::ui {

// What the owner says when a worker cannot start.
Text workerStartFailureText();

// Starts f on a worker (its token also stops when `also` does). False when no thread could be
// had: then "workerStartFailureText" is shown in a message box owned by the window, titled
// with its title, and nothing of f has run.
bool startWindowTask(WindowSystem& windows, Window& owner, std::function<void(std::stop_token)> f,
                     std::stop_token also = {});

}  // namespace qx::ui
