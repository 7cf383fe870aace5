#pragma once
// A wait that keeps the windows alive: on the UI thread window events go on being handled
// while it waits; on a worker it simply waits.
#include "ui/WindowSystem.h"

namespace qx::ui {

// Waits amount units: 0 milliseconds, 1 seconds, 2 minutes, 3 hours (any other unit counts
// as milliseconds). A zero or negative amount returns at once.
void pumpingDelay(WindowSystem& windows, int amount, int unit = 0);

}  // namespace qx::ui
