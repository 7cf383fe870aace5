#include "ui/WindowTask.h"

#include "platform/system/Worker.h"
#include "text/CodePages.h"

namespace qx::ui {

Text workerStartFailureText() { return gbk(u8"系统资源不足，无法开始，请稍后再试"); }

bool startWindowTask(WindowSystem& windows, Window& owner, std::function<void(std::stop_token)> f,
                     std::stop_token also) {
    try {
        platform::startWorker(std::move(also), std::move(f));
        return true;
    } catch (...) {
        windows.messageBox(&owner, workerStartFailureText(), owner.title(), MessageStyle::Ok);
        return false;
    }
}

}  // namespace qx::ui
