#include "app/MainWindow.h"

#include "app/MainWindowLayout.h"
#include "app/ToolLauncher.h"
#include "app/Windows.h"
#include "notice/Notice.h"
#include "platform/system/Clock.h"
#include "platform/system/VersionRecord.h"
#include "resolvers/ResolverTable.h"
#include "resources/Pictures.h"
#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::app {

namespace {

using namespace control;

struct ChildButton {
    const char* button;
    const char* window;
};
constexpr ChildButton kChildButtons[] = {
    {kAboutButton, "AboutWindow"},      {kSiteIconButton, "SiteIconWindow"},
    {kSpeechButton, "SpeechWindow"},    {kEncoderButton, "EncoderWindow"},
    {kTesterButton, "WebTesterWindow"}, {kRegexTesterButton, "RegexTesterWindow"},
    {kAvatarButton, "AvatarWindow"},    {kSpeedTestButton, "SpeedTestWindow"},
};

}  // namespace

bool isNightHour(int hour) { return hour >= 20 || hour < 8; }

ByteArray skinForHour(int hour) {
    return res::toByteArray(isNightHour(hour) ? res::nightSkin() : res::daySkin());
}

std::vector<ByteArray> mainWindowPictures(int hour) {
    std::vector<ByteArray> pictures;
    for (const ui::ControlLayout& c : mainWindowLayout().controls)
        if (!c.picture.empty()) pictures.push_back(res::toByteArray(res::pictureNamed(c.picture)));
    pictures.push_back(skinForHour(hour < 0 ? platform::localTime().hour : hour));
    return pictures;
}

void onMainWindowCreated(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows,
                         int hour) {
    state.windowSkinImage.set(skinForHour(hour));
    applySkin(*window, state);

    platform::VersionFields fields{};
    if (!platform::readVersionRecord(state.exePath(), fields)) fields = {};  // no record: empty version
    state.ownVersionInfo.set(fields);

    window->control(kTabs).setCurrentPage(0);
    window->control(kOwnVersion).setCaption(gbk(u8"当前版本号：") + fields[0]);
    state.notice.banterRotationStarted = false;
    // The check's libraries (libcurl, TLS, the script engine) load after the window is on screen.
    std::weak_ptr<ui::Window> weak = window;
    windows.afterFirstPaint(window, [&state, weak] {
        if (auto w = weak.lock(); w && !w->destroyed()) notice::launchNoticeCheck(state, w);
    });
}

ui::WindowPtr makeMainWindow(ProgramState& state, ui::WindowSystem& windows, std::function<int()> hour) {
    ui::WindowPtr window = ui::Window::create(mainWindowLayout());
    applyLayoutPictures(*window);
    if (!hour) hour = [] { return platform::localTime().hour; };
    std::weak_ptr<ui::Window> weak = window;  // handlers must not keep their own window alive

    window->onCreated([weak, &state, &windows, hour] {
        if (auto w = weak.lock()) onMainWindowCreated(w, state, windows, hour());
    });

    // The close button ends everything at once, whatever windows or workers still run.
    window->onClick(kClose, [&windows] { windows.endProcess(0); });
    window->onClick(kMinimise, [weak] {
        if (auto w = weak.lock()) w->setWindowState(ui::WindowState::Minimised);
    });
    const std::pair<const char*, int> pages[] = {{kHomeButton, 0}, {kToolsButton, 1}, {kSystemButton, 2}};
    for (auto [button, page] : pages) {
        window->onClick(button, [weak, page] {
            if (auto w = weak.lock()) w->control(kTabs).setCurrentPage(page);
        });
    }
    window->onClick(kCheckUpdate, [weak, &state, &windows] {
        if (auto w = weak.lock()) notice::launchNoticeCheck(state, w);
    });
    window->onClick(kUpdateIcon, [weak, &state] {
        if (auto w = weak.lock()) notice::onUpdateIconClicked(state, *w);
    });
    static_assert(std::size(kCloudButtons) == 6);
    const auto resolvers = resolvers::resolverTable();
    for (std::size_t i = 0; i < std::size(kCloudButtons) && i < resolvers.size(); ++i) {
        const resolvers::Service service = resolvers[i]->service;
        window->onClick(kCloudButtons[i], [weak, &state, &windows, service] {
            auto w = weak.lock();
            if (!w) return;
            state.resolver.selectedResolverService = service;
            openChildWindow("ResolverWindow", w, state, windows);
        });
    }
    for (const ChildButton& b : kChildButtons) {
        window->onClick(b.button, [weak, &state, &windows, name = b.window] {
            if (auto w = weak.lock()) openChildWindow(name, w, state, windows);
        });
    }
    bindToolButtons(window, state);  // the ten "待定" buttons do nothing
    return window;
}

void openMainWindow(ProgramState& state, ui::WindowSystem& windows) {
    windows.openModeless(makeMainWindow(state, windows));
}

Text creditsText() {
    // The helper tools and the pictures are the program's own; what it is built on are these
    // libraries. The first line of entries ends with a bare LF, the others with CR LF.
    return gbk(
        u8"特别鸣谢：\r\n\r\n"
        u8"·各位热心网友与Quorvex论坛的朋友们\n"
        u8"·Qt [The Qt Company]\r\n"
        u8"·libcurl [Daniel Stenberg]、ICU [Unicode, Inc.]、OpenCC [BYVoid]\r\n"
        u8"·PCRE2 [Philip Hazel]、Duktape [Sami Vaarala]、Gumbo [Google]\r\n"
        u8"·mpg123 [Michael Hipp, Thomas Orgis]、libpng、giflib、zlib\r\n"
        u8"·LIEF [Quarkslab]、CLI11 [Henry Schreiner]、JSON for Modern C++ [Niels Lohmann]");
}

void bindAboutWindow(const ui::WindowPtr& window, ProgramState&, ui::WindowSystem& windows) {
    std::weak_ptr<ui::Window> weak = window;
    window->onClick(about_control::kCredits, [weak, &windows] {
        if (auto w = weak.lock()) windows.messageBox(w.get(), creditsText(), Text(), ui::MessageStyle::Ok);
    });
}

}  // namespace qx::app
