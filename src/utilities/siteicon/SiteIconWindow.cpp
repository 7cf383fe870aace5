#include "utilities/siteicon/SiteIconWindow.h"

#include <atomic>
#include <memory>
#include <stop_token>

#include "platform/imaging/ImageCodec.h"
#include "platform/system/Files.h"
#include "text/CodePages.h"
#include "text/Strings.h"
#include "ui/FileDialogs.h"
#include "ui/LayoutRows.h"
#include "ui/WindowTask.h"
#include "utilities/siteicon/IconFetch.h"
#include "utilities/siteicon/ImageConversion.h"

namespace qx::siteicon {

namespace {

using namespace control;

// What one open window shares with its workers: closing it stops them, and one grab runs at a time.
struct Session {
    std::stop_source closed;
    std::atomic<bool> grabbing{false};
};

std::string_view asChars(const ByteArray& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

ByteArray readBytes(const Text& path) {
    std::string content;
    if (!platform::readFile(path, content)) return {};
    return toBytes(content);
}

// The size label of the converted picture, or the failure text when there is none.
Text sizeLabel(const platform::RgbaImage& image, bool converted, const Text& address) {
    if (!converted || image.empty()) return gbk(u8"获取失败！网址：") + address + "/favicon.ico";
    return gbk(u8"宽：") + fromInt(image.width) + gbk(u8"  高：") + fromInt(image.height);
}

// The fetch, the conversion and the display; runs on a worker so a slow site cannot freeze the
// window. A closed window gets nothing.
void fetchAndShow(const std::weak_ptr<ui::Window>& weak, ProgramState& state, const Text& address,
                  std::stop_token stop) {
    const Text iconPath = state.pathIn("Temp\\icon.ico");
    const Text pngPath = state.pathIn("Temp\\icon.png");
    ByteArray answer = fetchSiteIcon(address, stop);
    if (stop.stop_requested()) return;
    platform::writeFile(iconPath, asChars(answer));
    // An earlier grab's picture must not stand beside this grab's failure text.
    platform::deleteFile(pngPath);
    // Decoded once, here, within the size a site's icon can sensibly have: a small file that
    // claims a huge picture is refused like one that is no picture. The PNG holds these very
    // pixels, so their size is the label's.
    const ByteArray icon = readBytes(iconPath);
    platform::RgbaImage image;
    const bool converted = icon.size() >= 3 &&
                           platform::decodeImage(icon, image, platform::kNetworkPictureLimits) &&
                           encodeConvertedImage(image, 5, state.pathIn("Temp\\icon"));
    auto window = weak.lock();
    if (!window || window->destroyed() || stop.stop_requested()) return;
    window->control(kPicture).setImage(readBytes(pngPath));
    window->control(kSize).setCaption(sizeLabel(image, converted, address));
}

void grabSiteIcon(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows,
                  const std::shared_ptr<Session>& session) {
    if (session->grabbing.exchange(true)) return;  // the running grab answers first
    ui::Control box = window->control(kAddress);
    Text address = siteAddress(box.text());
    box.setText(address);
    std::weak_ptr<ui::Window> weak = window;
    const bool started = ui::startWindowTask(
        windows, *window,
        [weak, &state, address, session](std::stop_token stop) {
            fetchAndShow(weak, state, address, stop);
            session->grabbing = false;
        },
        session->closed.get_token());
    if (!started) session->grabbing = false;  // the next click may try again
}

void saveSiteIcon(ui::Window& window, ProgramState& state, ui::WindowSystem& windows) {
    if (!window.control(kPicture).hasImage()) return;
    // A save moves the picture's file away: a second save of the same picture has nothing to
    // write, so it asks for nothing either.
    if (!platform::fileExists(state.pathIn("Temp\\icon.png"))) return;
    ui::ExportRequest request;
    request.defaultName = "favicon.png";
    request.filter = "*.PNG";
    request.keepDirectory = false;
    request.transfer = ui::ExportTransfer::Move;
    request.sourcePath = state.pathIn("Temp\\icon.png");
    ui::exportWithReplacePrompt(windows, window, request);
}

}  // namespace

const ui::WindowLayout& siteIconLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout =
        window("SiteIconWindow", "", 325, 354, "网站取图标UI",
               {
                   label("标签EX1", "网站取图标", 62, 24, 200, 32).centered(),
                   label("标签EX4", "暂不支持.cn域名", 58, 48, 208, 16).centered(),
                   label("标签EX2", "欲取其图标的网站：", 16, 80, 120, 26),
                   edit("编辑框EX2", 16, 112, 288, 32),
                   button("按钮EX3", "获取图标", 16, 152, 288, 24),
                   picture("图片框EX1", 16, 192, 288, 120).named("保存图标"),
                   label("标签EX3", "", 16, 312, 288, 26).centered(),
                   closeButton(296, 8),
               });
    return layout;
}

void bindSiteIconWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    auto session = std::make_shared<Session>();
    std::weak_ptr<ui::Window> weak = window;
    window->onClick(kFetch, [weak, &state, &windows, session] {
        if (auto w = weak.lock()) grabSiteIcon(w, state, windows, session);
    });
    window->onClick(kPicture, [weak, &state, &windows] {
        if (auto w = weak.lock()) saveSiteIcon(*w, state, windows);
    });
    window->onClick(kClose, [weak, &windows, session] {
        session->closed.request_stop();
        if (auto w = weak.lock()) windows.destroy(w);
    });
}

namespace {
using K = ui::ControlKind;
constexpr ui::ControlRef kControls[] = {{kAddress, K::EditBox},
                                        {kFetch, K::Button},
                                        {kPicture, K::PictureBox},
                                        {kSize, K::Label},
                                        {kClose, K::CloseButton}};
}  // namespace

const ui::WindowDescriptor kSiteIconWindow{"SiteIconWindow", siteIconLayout, bindSiteIconWindow, kControls};

}  // namespace qx::siteicon
