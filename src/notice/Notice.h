#pragma once
// The online notice on the home page: latest version, update state, change log, jokes.
#include <stop_token>

#include "state/ProgramState.h"
#include "ui/Window.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"

namespace qx::notice {

// The main window's controls of the home page that the notice writes, as its layout names them.
namespace control {
inline constexpr const char* kLatestVersion = "标签EX_最新版本提示";
inline constexpr const char* kVersionHint = "版本提示标签";     // update state, "" offline
inline constexpr const char* kBanter = "骚话标签";              // a joke, or the offline line
inline constexpr const char* kChangeLog = "编辑框EX_更新内容";  // shown instead of the joke
}  // namespace control

// The same, with the kind the notice expects, for the check of the main window's layout.
inline constexpr ui::ControlRef kMainWindowControls[] = {
    {control::kLatestVersion, ui::ControlKind::Label},
    {control::kVersionHint, ui::ControlKind::Label},
    {control::kBanter, ui::ControlKind::Label},
    {control::kChangeLog, ui::ControlKind::EditBox},
};

struct NoticeFields {
    Text speedTestLink;
    Text latestVersion;
    Text jokes;
    Text changeLog;
    Text updateAddress;
};
NoticeFields parseNoticeFields(const Text& notice);

// Worker entry: fetches the notice and fills the main window's home page.
void checkNotice(ProgramState& state, const ui::WindowPtr& mainWindow, std::stop_token stop = {});
// The part after the fetch, for a notice already in hand (empty: offline).
void showNotice(ProgramState& state, ui::Window& mainWindow, const Text& notice);
// Starts checkNotice on a new worker thread, unless a check is running already.
void launchNoticeCheck(ProgramState& state, const ui::WindowPtr& mainWindow);

// Worker entry: shows a random line of the jokes (lines split at CR LF) every 3 s until
// stopped. With no line at all it leaves the label as it is and ends.
void rotateBanter(const Text& banterText, const ui::WindowPtr& mainWindow, std::stop_token stop);

void onUpdateIconClicked(ProgramState& state, ui::Window& mainWindow);
// Writes the update script beside the executable and starts it; an address that is not a
// safe http(s) URL writes nothing. Returns whether a script was started.
bool startUpdate(ProgramState& state, const Text& downloadAddress);

}  // namespace qx::notice
