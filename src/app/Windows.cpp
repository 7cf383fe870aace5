#include "app/Windows.h"

#include "app/MainWindowLayout.h"
#include "resolvers/window/ResolverWindow.h"
#include "resources/Pictures.h"
#include "tester/WebTesterWindow.h"
#include "utilities/avatar/AvatarWindow.h"
#include "utilities/encoder/EncoderWindow.h"
#include "utilities/regextester/RegexTesterWindow.h"
#include "utilities/siteicon/SiteIconWindow.h"
#include "utilities/speech/SpeechWindow.h"
#include "utilities/speedtest/SpeedTestWindow.h"

namespace qx::app {

namespace {

// Each child window's descriptor, as its feature declares it, in the order of the main window's
// buttons.
const std::vector<ui::WindowDescriptor>& descriptors() {
    static const std::vector<ui::WindowDescriptor> all = {
        kAboutWindow,
        resolvers::kResolverWindow,
        siteicon::kSiteIconWindow,
        regextester::kRegexTesterWindow,
        tester::kWebTesterWindow,
        encoder::kEncoderWindow,
        speech::kSpeechWindow,
        avatar::kAvatarWindow,
        speedtest::kSpeedTestWindow,
    };
    return all;
}

const ui::WindowDescriptor* findDescriptor(std::string_view windowName) {
    for (const ui::WindowDescriptor& d : descriptors())
        if (d.name == windowName) return &d;
    return nullptr;
}

}  // namespace

std::span<const ui::WindowDescriptor> childWindows() { return descriptors(); }

const ui::WindowLayout* findWindowLayout(std::string_view windowName) {
    if (windowName == mainWindowDescriptor().name) return &mainWindowLayout();
    const ui::WindowDescriptor* d = findDescriptor(windowName);
    return d ? &d->layout() : nullptr;
}

std::vector<const ui::WindowLayout*> allWindowLayouts() {
    std::vector<const ui::WindowLayout*> all = {&mainWindowLayout()};
    for (const ui::WindowDescriptor& d : descriptors()) all.push_back(findWindowLayout(d.name));
    return all;
}

WindowBinder findWindowBinder(std::string_view windowName) {
    const ui::WindowDescriptor* d = findDescriptor(windowName);
    return d ? d->bind : nullptr;
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
    const ui::WindowDescriptor* d = findDescriptor(name);
    const ui::WindowLayout* layout = findWindowLayout(name);
    if (!layout) return nullptr;
    ui::WindowPtr window = ui::Window::create(*layout);
    applyLayoutPictures(*window);
    std::weak_ptr<ui::Window> weak = window;  // handlers must not keep their own window alive
    window->onCreated([weak, &state] {
        if (auto w = weak.lock()) applySkin(*w, state);
    });
    window->onClick(ui::kCloseButton, [weak, &windows] {
        if (auto w = weak.lock()) windows.destroy(w);
    });
    if (d && d->bind) d->bind(window, state, windows);
    return window;
}

void openChildWindow(std::string_view name, const ui::WindowPtr& parent, ProgramState& state,
                     ui::WindowSystem& windows) {
    ui::WindowPtr child = makeChildWindow(name, state, windows);
    if (child) windows.openModal(child, parent);
}

}  // namespace qx::app
