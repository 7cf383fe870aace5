#include "resolvers/window/ResolverWindow.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/system/Worker.h"
#include "resolvers/ResolverTable.h"
#include "resources/Pictures.h"
#include "text/CodePages.h"
#include "ui/LayoutRows.h"

namespace qx::resolvers {
namespace {

using namespace control;

// What one run of the dispatch needs, read on the UI thread when the button is pressed.
struct Request {
    Service service{};
    Text link;
    Text password;
};

Request readRequest(ui::Window& w, const ProgramState& state) {
    return {state.resolver.selectedResolverService.load(), w[kLink].text(), w[kPassword].text()};
}

// The outcome of a dispatch that the UI thread waits for.
struct Outcome {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<ResolveResult> result;
};

void dress(ui::Window& w, Service service) {
    const ResolverDescriptor* d = findResolver(service);
    if (!d) return;
    w[kTitle].setCaption(gbk(d->title));
    w[kPicture].setImage(res::toByteArray(res::pictureNamed(d->picture)));
}

// A failure shows what the service said, or clears the box; a number that names no service
// leaves it alone.
void showResult(ui::Window& w, const std::optional<ResolveResult>& result) {
    if (result) w[kResult].setText(result->text);
}

void copyResult(ui::Window& w, ui::WindowSystem& windows) {
    Text text = w[kResult].text();
    if (!text.empty()) windows.setClipboardText(text);
}

ResolveContext contextFor(std::stop_token stop) {
    ResolveContext context;
    context.stop = stop;
    return context;
}

// Runs the dispatch on a worker and writes its result when the window is still there.
void generate(const std::weak_ptr<ui::Window>& weak, ProgramState& state) {
    auto w = weak.lock();
    if (!w) return;
    Request request = readRequest(*w, state);
    platform::startWorker(w->closedToken(), [weak, request](std::stop_token stop) {
        resolveIntoWindow(weak, request.service, request.link, request.password, contextFor(stop));
    });
}

// Returns once the resolver has finished and the copy rule has run. The dispatch runs on a
// worker while this thread keeps the windows painted; clicks wait until it returns.
void generateAndCopy(const std::weak_ptr<ui::Window>& weak, ProgramState& state, ui::WindowSystem& windows) {
    auto w = weak.lock();
    if (!w) return;
    Request request = readRequest(*w, state);
    auto outcome = std::make_shared<Outcome>();
    platform::startWorker(w->closedToken(), [outcome, request](std::stop_token stop) {
        std::optional<ResolveResult> result =
            resolveShareLink(request.service, request.link, request.password, contextFor(stop));
        std::lock_guard lock(outcome->mutex);
        outcome->result = std::move(result);
        outcome->done = true;
        outcome->finished.notify_all();
    });
    for (;;) {
        windows.processPendingEventsExceptInput();
        std::unique_lock lock(outcome->mutex);
        if (outcome->finished.wait_for(lock, std::chrono::milliseconds(15), [&] { return outcome->done; }))
            break;
    }
    if (w->destroyed()) return;
    showResult(*w, outcome->result);
    copyResult(*w, windows);
}

}  // namespace

void resolveIntoWindow(const std::weak_ptr<ui::Window>& window, Service service, const Text& link,
                       const Text& password, const ResolveContext& context) {
    std::optional<ResolveResult> result = resolveShareLink(service, link, password, context);
    auto w = window.lock();
    // A late result is dropped: the window was closed or the program is ending.
    if (!w || w->destroyed() || context.stop.stop_requested()) return;
    showResult(*w, result);
}

const ui::WindowLayout& resolverLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout =
        window("ResolverWindow", "", 325, 509, "云盘解析UI",
               {
                   picture("图片框EX1", 96, 24, 136, 104),
                   label("标签EX1", "", 64, 136, 200, 24).centered(),
                   label("标签EX2", "原链接：", 16, 168, 56, 24),
                   edit("编辑框EX_原链接", 16, 200, 288, 32),
                   label("标签EX3", "分享密码（没有可不填）：", 16, 240, 153, 23),
                   edit("编辑框EX_密码", 16, 272, 288, 32),
                   label("标签EX4", "直链：", 16, 312, 43, 23),
                   edit("编辑框EX_结果", 16, 344, 288, 104),
                   button("按钮EX3", "生成并复制", 16, 456, 108, 32),
                   button("按钮EX4", "生成", 162, 456, 68, 32),
                   button("按钮EX2", "复制", 236, 456, 68, 32),
                   closeButton(296, 12),
               });
    return layout;
}

void bindResolverWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    std::weak_ptr<ui::Window> weak = window;  // handlers must not keep their own window alive
    window->onCreated([weak, &state] {
        if (auto w = weak.lock()) dress(*w, state.resolver.selectedResolverService.load());
    });
    window->onClick(kGenerate, [weak, &state] { generate(weak, state); });
    window->onClick(kGenerateAndCopy, [weak, &state, &windows] { generateAndCopy(weak, state, windows); });
    window->onClick(kCopy, [weak, &windows] {
        if (auto w = weak.lock()) copyResult(*w, windows);
    });
}

namespace {
using K = ui::ControlKind;
constexpr ui::ControlRef kControls[] = {
    {kPicture, K::PictureBox}, {kTitle, K::Label},    {kLink, K::EditBox},
    {kPassword, K::EditBox},   {kResult, K::EditBox}, {kGenerateAndCopy, K::Button},
    {kGenerate, K::Button},    {kCopy, K::Button},
};
}  // namespace

const ui::WindowDescriptor kResolverWindow{"ResolverWindow", resolverLayout, bindResolverWindow, kControls};

}  // namespace qx::resolvers
