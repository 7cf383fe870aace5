#include "app/NoticeHook.h"

#include "notice/Notice.h"

namespace qx {

void startNoticeCheck(ProgramState& state, const ui::WindowPtr& mainWindow, ui::WindowSystem&) {
    launchNoticeCheck(state, mainWindow);
}

}  // namespace qx
