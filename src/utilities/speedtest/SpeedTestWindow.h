#pragma once
// SpeedTestWindow: a click on the picture downloads the notice's test file for sixteen seconds,
// shows each second's speed and ends with the average.
#include <memory>

#include "state/ProgramState.h"
#include "ui/WindowDescriptor.h"
#include "utilities/speedtest/SpeedTestSession.h"

namespace qx::speedtest {

// The controls the handlers name, as the layout rows name them.
namespace control {
inline constexpr const char* kPicture = "图片框EX1";
inline constexpr const char* kHint = "标签EX1";     // "点击图标测速"
inline constexpr const char* kRunning = "标签EX2";  // "正在测速"
inline constexpr const char* kSpeed = "标签EX3";    // one second's speed
inline constexpr const char* kAverage = "标签EX4";  // the average
inline constexpr const char* kProgress = "进度条EX1";
inline constexpr const char* kTimer = "时钟1";
inline constexpr const char* kClose = "按钮EX1";
}  // namespace control

const ui::WindowLayout& speedTestLayout();

// Binds the window's handlers to a session of its own and returns that session.
std::shared_ptr<Session> bindSpeedTestSession(const ui::WindowPtr& window, ProgramState& state,
                                              ui::WindowSystem& windows);
void bindSpeedTestWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

extern const ui::WindowDescriptor kSpeedTestWindow;

}  // namespace qx::speedtest
