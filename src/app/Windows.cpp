#include "app/Windows.h"

#include "app/MainWindow.h"
#include "resolvers/window/ResolverWindow.h"
#include "resources/Pictures.h"
#include "tester/WebTesterWindow.h"
#include "utilities/avatar/AvatarWindow.h"
#include "utilities/encoder/EncoderWindow.h"
#include "utilities/regextester/RegexTesterWindow.h"
#include "utilities/speech/SpeechWindow.h"
#include "utilities/siteicon/SiteIconWindow.h"
#include "utilities/speedtest/SpeedTestWindow.h"

namespace qx::app {

namespace {

struct BinderEntry {
    std::string_view window;
    WindowBinder bind;
};

// One line per child window; nullptr: only the common wiring.
// clang-format off
constexpr BinderEntry kBinders[] = {
    {"AboutWindow", bindAboutWindow},
    {"ResolverWindow", resolvers::bindResolverWindow},
    {"SiteIconWindow", siteicon::bindSiteIconWindow},
    {"RegexTesterWindow", regextester::bindRegexTesterWindow},
    {"WebTesterWindow", tester::bindWebTesterWindow},
    {"EncoderWindow", encoder::bindEncoderWindow},
    {"SpeechWindow", speech::bindSpeechWindow},
    {"AvatarWindow", avatar::bindAvatarWindow},
    {"SpeedTestWindow", speedtest::bindSpeedTestWindow},
};
// clang-format on

}  // namespace

WindowBinder findWindowBinder(std::string_view windowName) {
    for (const BinderEntry& e : kBinders)
        if (e.window == windowName) return e.bind;
    return nullptr;
}

void applyLayoutPictures(ui::Window& window) {
    for (const ui::ControlLayout& c : window.layout().controls) {
        if (c.picture.empty()) continue;
        window.control(c.name).setImage(res::toByteArray(res::pictureNamed(c.picture)));
    }
}

void applySkin(ui::Window& window, const ProgramState& state) {
    window.skinElement().setImage(state.windowSkinImage.get());
}

ui::WindowPtr makeChildWindow(std::string_view name, ProgramState& state, ui::WindowSystem& windows) {
    ui::WindowPtr window = ui::Window::create(name);
    if (!window) return nullptr;
    applyLayoutPictures(*window);
    std::weak_ptr<ui::Window> weak = window;  // handlers must not keep their own window alive
    window->onCreated([weak, &state] {
        if (auto w = weak.lock()) applySkin(*w, state);
    });
    window->onClick("按钮EX1", [weak, &windows] {
        if (auto w = weak.lock()) windows.destroy(w);
    });
    if (WindowBinder bind = findWindowBinder(name)) bind(window, state, windows);
    return window;
}

void openChildWindow(std::string_view name, const ui::WindowPtr& parent, ProgramState& state,
                     ui::WindowSystem& windows) {
    ui::WindowPtr child = makeChildWindow(name, state, windows);
    if (child) windows.openModal(child, parent);
}

}  // namespace qx::app
