#include "utilities/avatar/AvatarWindow.h"

#include <memory>
#include <mutex>
#include <stop_token>

#include "platform/imaging/ImageCodec.h"
#include "platform/system/Files.h"
#include "text/Strings.h"
#include "ui/FileDialogs.h"
#include "ui/LayoutRows.h"
#include "ui/WindowTask.h"

namespace qx::avatar {

namespace {

using namespace control;

// What one open window shares with its workers. Closing the window stops them; of several
// fetches, only the latest click's answer is shown and stored, so the picture and the file
// always hold the same account.
struct Session {
    std::stop_source closed;
    std::mutex mutex;
    unsigned latest = 0;  // the newest click's number (under the mutex)
};

void fetchAvatarWorker(const std::weak_ptr<ui::Window>& weak, ProgramState& state,
                       const std::shared_ptr<Session>& session, unsigned click, const Text& account,
                       std::stop_token stop) {
    ByteArray picture = fetchAvatarPicture(account, stop);
    // A picture larger than an avatar can sensibly be (a small file may claim 64 Mpx) is
    // refused as a failed fetch is: no window is to decode it. Any other answer stays as it
    // came, an error page too.
    if (platform::imageExceedsLimits(picture, platform::kNetworkPictureLimits)) picture.clear();

    std::lock_guard lock(session->mutex);
    if (click != session->latest || stop.stop_requested()) return;
    auto window = weak.lock();
    if (!window || window->destroyed()) return;
    window->control(kPicture).setImage(picture);
    platform::writeFile(state.pathIn("Temp\\HeadPortrait.png"),
                        std::string_view(reinterpret_cast<const char*>(picture.data()), picture.size()));
}

void fetchAvatar(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows,
                 const std::shared_ptr<Session>& session) {
    // The account goes into the address as typed; only an empty one is refused.
    Text account = window->control(kAccount).text();
    if (isBlank(account)) return;
    unsigned click;
    {
        std::lock_guard lock(session->mutex);
        click = ++session->latest;
    }
    std::weak_ptr<ui::Window> weak = window;
    ui::startWindowTask(
        windows, *window,
        [weak, &state, session, click, account](std::stop_token stop) {
            fetchAvatarWorker(weak, state, session, click, account, stop);
        },
        session->closed.get_token());
}

void saveAvatar(ui::Window& window, ProgramState& state, ui::WindowSystem& windows) {
    if (!window.control(kPicture).hasImage()) return;
    ui::ExportRequest request;
    request.defaultName = "HeadPortrait.png";
    request.filter = "*.PNG";
    request.keepDirectory = false;
    request.transfer = ui::ExportTransfer::Copy;  // the file stays, so it can be saved again
    request.sourcePath = state.pathIn("Temp\\HeadPortrait.png");
    ui::exportWithReplacePrompt(windows, window, request);
}

}  // namespace

const ui::WindowLayout& avatarLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout =
        window("AvatarWindow", "", 308, 364, "取QQ头像UI",
               {
                   label("标签EX1", "QQ号：", 18, 24, 64, 24),
                   edit("编辑框EX_QQ号", 18, 56, 272, 32),
                   button("按钮EX24", "获取头像", 18, 96, 272, 32),
                   picture("图片框EX1", 18, 152, 272, 192).named("保存头像"),
                   closeButton(280, 8),
               });
    return layout;
}

void bindAvatarWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    auto session = std::make_shared<Session>();
    std::weak_ptr<ui::Window> weak = window;
    window->onClick(kFetch, [weak, &state, &windows, session] {
        if (auto w = weak.lock()) fetchAvatar(w, state, windows, session);
    });
    window->onClick(kPicture, [weak, &state, &windows] {
        if (auto w = weak.lock()) saveAvatar(*w, state, windows);
    });
    window->onClick(kClose, [weak, &windows, session] {
        session->closed.request_stop();
        if (auto w = weak.lock()) windows.destroy(w);
    });
}

namespace {
using K = ui::ControlKind;
constexpr ui::ControlRef kControls[] = {
    {kAccount, K::EditBox}, {kFetch, K::Button}, {kPicture, K::PictureBox}, {kClose, K::CloseButton}};
}  // namespace

const ui::WindowDescriptor kAvatarWindow{"AvatarWindow", avatarLayout, bindAvatarWindow, kControls};

}  // namespace qx::avatar
