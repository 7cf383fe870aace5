#include "support/fake/FakeWindowSystem.h"

#include <algorithm>
#include <cstdlib>

namespace qx::test {

void FakeWindowSystem::queueAnswer(ui::MessageAnswer a) {
    std::lock_guard lock(mutex_);
    answers_.push_back(a);
}

void FakeWindowSystem::answerWith(Answerer f) {
    std::lock_guard lock(mutex_);
    answerer_ = std::move(f);
}

void FakeWindowSystem::queueFileAnswer(const Text& path) {
    std::lock_guard lock(mutex_);
    fileAnswers_.push_back(path);
}

void FakeWindowSystem::whileOpen(const std::string& windowName, WhileOpen f) {
    std::lock_guard lock(mutex_);
    whileOpen_[windowName] = std::move(f);
}

void FakeWindowSystem::onEndProcess(std::function<void(int)> f) {
    std::lock_guard lock(mutex_);
    endAction_ = std::move(f);
}

std::vector<FakeWindowSystem::MessageCall> FakeWindowSystem::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}
std::vector<ui::FileDialogRequest> FakeWindowSystem::fileRequests() const {
    std::lock_guard lock(mutex_);
    return fileRequests_;
}
std::vector<FakeWindowSystem::Opened> FakeWindowSystem::opened() const {
    std::lock_guard lock(mutex_);
    return opened_;
}
std::vector<std::string> FakeWindowSystem::destroyedNames() const {
    std::lock_guard lock(mutex_);
    return destroyed_;
}
std::vector<ui::WindowPtr> FakeWindowSystem::openWindows() const {
    std::lock_guard lock(mutex_);
    return open_;
}
ui::WindowPtr FakeWindowSystem::lastOpened(const std::string& name) const {
    std::lock_guard lock(mutex_);
    for (auto it = everOpened_.rbegin(); it != everOpened_.rend(); ++it)
        if ((*it)->name() == name) return *it;
    return nullptr;
}
std::optional<int> FakeWindowSystem::endCode() const {
    std::lock_guard lock(mutex_);
    return endCode_;
}
int FakeWindowSystem::pendingEventCalls() const {
    std::lock_guard lock(mutex_);
    return pendingEventCalls_;
}

int FakeWindowSystem::pendingOutputCalls() const {
    std::lock_guard lock(mutex_);
    return pendingOutputCalls_;
}

void FakeWindowSystem::openModeless(const ui::WindowPtr& window) {
    {
        std::lock_guard lock(mutex_);
        opened_.push_back({window->name(), false, {}});
        open_.push_back(window);
        everOpened_.push_back(window);
    }
    window->created();
}

void FakeWindowSystem::openModal(const ui::WindowPtr& child, const ui::WindowPtr& parent) {
    WhileOpen script;
    {
        std::lock_guard lock(mutex_);
        opened_.push_back({child->name(), true, parent ? parent->name() : std::string()});
        open_.push_back(child);
        everOpened_.push_back(child);
        auto it = whileOpen_.find(child->name());
        if (it != whileOpen_.end()) script = it->second;
    }
    child->created();
    if (script && !child->destroyed()) script(child);
    // The real call returns only once the child is gone.
    if (!child->destroyed()) destroy(child);
}

void FakeWindowSystem::destroy(const ui::WindowPtr& window) {
    if (!window || window->destroyed()) return;
    window->markDestroyed();
    std::lock_guard lock(mutex_);
    destroyed_.push_back(window->name());
    open_.erase(std::remove(open_.begin(), open_.end(), window), open_.end());
}

ui::MessageAnswer FakeWindowSystem::messageBox(ui::Window* owner, const Text& message, const Text& title,
                                               ui::MessageStyle style) {
    std::unique_lock lock(mutex_);
    messages_.push_back({owner ? owner->name() : std::string(), message, title, style});
    if (answerer_) {
        Answerer answerer = answerer_;
        MessageCall call = messages_.back();
        lock.unlock();
        return answerer(call);
    }
    if (!answers_.empty()) {
        ui::MessageAnswer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    return style == ui::MessageStyle::Ok ? ui::MessageAnswer::Ok : ui::MessageAnswer::No;
}

Text FakeWindowSystem::fileDialog(ui::Window* owner, const ui::FileDialogRequest& request) {
    std::lock_guard lock(mutex_);
    fileRequests_.push_back(request);
    if (fileAnswers_.empty()) return {};
    Text path = fileAnswers_.front();
    fileAnswers_.pop_front();
    return path;
}

void FakeWindowSystem::setClipboardText(const Text& text) {
    std::lock_guard lock(mutex_);
    clipboard_ = text;
}

Text FakeWindowSystem::clipboardText() {
    std::lock_guard lock(mutex_);
    return clipboard_;
}

void FakeWindowSystem::afterFirstPaint(const ui::WindowPtr&, std::function<void()> f) { f(); }

void FakeWindowSystem::processPendingEvents() {
    std::lock_guard lock(mutex_);
    ++pendingEventCalls_;
}

void FakeWindowSystem::processPendingEventsExceptInput() {
    std::lock_guard lock(mutex_);
    ++pendingOutputCalls_;
}

void FakeWindowSystem::endProcess(int code) {
    std::function<void(int)> action;
    {
        std::lock_guard lock(mutex_);
        endCode_ = code;
        action = endAction_;
    }
    if (action) action(code);
    // Either no action was set or it returned although it must not: unwind to the test.
    throw ProcessEnded{code};
}

}  // namespace qx::test
