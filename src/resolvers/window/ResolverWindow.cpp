#include "resolvers/window/ResolverWindow.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/system/Worker.h"
#include "resolvers/ResolverTable.h"
#include "resources/Pictures.h"
#include "text/CodePages.h"

namespace qx::resolvers {
namespace {

constexpr const char* kLinkBox = "编辑框EX_原链接";
constexpr const char* kPasswordBox = "编辑框EX_密码";
constexpr const char* kResultBox = "编辑框EX_结果";

// What one run of the dispatch needs, read on the UI thread when the button is pressed.
struct Request {
    int service = 0;
    Text link;
    Text password;
};

Request readRequest(ui::Window& w, const ProgramState& state) {
    return {state.resolver.selectedResolverService.load(), w[kLinkBox].text(), w[kPasswordBox].text()};
}

// The outcome of a dispatch that the UI thread waits for.
struct Outcome {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<ResolveResult> result;
};

void dress(ui::Window& w, int service) {
    const ResolverDescriptor* d = findResolver(service);
    if (!d) return;
    w["标签EX1"].setCaption(gbk(d->title));
    w["图片框EX1"].setImage(res::toByteArray(res::pictureNamed(d->picture)));
}

// A failure shows what the service said, or clears the box; a number that names no service
// leaves it alone.
void showResult(ui::Window& w, const std::optional<ResolveResult>& result) {
    if (result) w[kResultBox].setText(result->text);
}

void copyResult(ui::Window& w, ui::WindowSystem& windows) {
    Text text = w[kResultBox].text();
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

void resolveIntoWindow(const std::weak_ptr<ui::Window>& window, int service, const Text& link,
                       const Text& password, const ResolveContext& context) {
    std::optional<ResolveResult> result = resolveShareLink(service, link, password, context);
    auto w = window.lock();
    // A late result is dropped: the window was closed or the program is ending.
    if (!w || w->destroyed() || context.stop.stop_requested()) return;
    showResult(*w, result);
}

void bindResolverWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    std::weak_ptr<ui::Window> weak = window;  // handlers must not keep their own window alive
    window->onCreated([weak, &state] {
        if (auto w = weak.lock()) dress(*w, state.resolver.selectedResolverService.load());
    });
    window->onClick("按钮EX4", [weak, &state] { generate(weak, state); });
    window->onClick("按钮EX3", [weak, &state, &windows] { generateAndCopy(weak, state, windows); });
    window->onClick("按钮EX2", [weak, &windows] {
        if (auto w = weak.lock()) copyResult(*w, windows);
    });
}

}  // namespace qx::resolvers
