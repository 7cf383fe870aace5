#pragma once
// SpeedTestWindow: a click on the picture downloads the notice's test file for sixteen seconds,
// shows each second's speed and ends with the average.
#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::speedtest {

void bindSpeedTestWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

}  // namespace qx::speedtest
