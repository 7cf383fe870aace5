#pragma once
// A scripted desktop for handler tests: message-box and file-dialog answers are queued up
// front, every call is recorded, and a modal child runs its created handlers and then a
// scripted "while open" callback, so a test can click inside it. Thread-safe, so workers may
// ask for message boxes.
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/WindowSystem.h"

namespace qx::test {

// Thrown by the default end-of-process action: unwinds back to the test instead of exiting.
struct ProcessEnded {
    int code;
};

class FakeWindowSystem : public ui::WindowSystem {
  public:
    struct MessageCall {
        std::string owner;  // the owner window's name, empty for none
        Text message;
        Text title;
        ui::MessageStyle style;
    };
    struct Opened {
        std::string name;
        bool modal;
        std::string parent;  // empty for a modeless window
    };
    using WhileOpen = std::function<void(const ui::WindowPtr& child)>;
    using Answerer = std::function<ui::MessageAnswer(const MessageCall& call)>;

    // ---- scripting ----
    // Answers in order; with none queued, Ok (Ok style) or No (question) is given.
    void queueAnswer(ui::MessageAnswer a);
    // Answers every later message box instead of the queue. It runs on the asking thread without
    // the fake's lock, so it may block to hold that thread (a question left open by the user).
    void answerWith(Answerer f);
    // Paths in order; with none queued, the dialog is cancelled (empty text).
    void queueFileAnswer(const Text& path);
    // Runs while the named window is open modally; afterwards the child is destroyed if the
    // callback left it open, as a user closing it would.
    void whileOpen(const std::string& windowName, WhileOpen f);
    // What endProcess does after recording; the default throws ProcessEnded. It must not return.
    void onEndProcess(std::function<void(int)> f);

    // ---- records ----
    std::vector<MessageCall> messages() const;
    std::vector<ui::FileDialogRequest> fileRequests() const;
    std::vector<Opened> opened() const;
    std::vector<std::string> destroyedNames() const;
    std::vector<ui::WindowPtr> openWindows() const;  // opened and not destroyed yet
    ui::WindowPtr lastOpened(const std::string& name) const;
    std::optional<int> endCode() const;
    int pendingEventCalls() const;
    int pendingOutputCalls() const;  // processPendingEventsExceptInput

    // ---- WindowSystem ----
    void openModeless(const ui::WindowPtr& window) override;
    void openModal(const ui::WindowPtr& child, const ui::WindowPtr& parent) override;
    void destroy(const ui::WindowPtr& window) override;
    ui::MessageAnswer messageBox(ui::Window* owner, const Text& message, const Text& title,
                                 ui::MessageStyle style) override;
    Text fileDialog(ui::Window* owner, const ui::FileDialogRequest& request) override;
    void setClipboardText(const Text& text) override;
    Text clipboardText() override;
    void afterFirstPaint(const ui::WindowPtr& window, std::function<void()> f) override;  // at once
    void processPendingEvents() override;
    void processPendingEventsExceptInput() override;
    [[noreturn]] void endProcess(int code) override;

  private:
    mutable std::mutex mutex_;
    std::deque<ui::MessageAnswer> answers_;
    Answerer answerer_;
    std::deque<Text> fileAnswers_;
    std::map<std::string, WhileOpen> whileOpen_;
    std::function<void(int)> endAction_;
    std::vector<MessageCall> messages_;
    std::vector<ui::FileDialogRequest> fileRequests_;
    std::vector<Opened> opened_;
    std::vector<std::string> destroyed_;
    std::vector<ui::WindowPtr> open_;
    std::vector<ui::WindowPtr> everOpened_;
    Text clipboard_;
    std::optional<int> endCode_;
    int pendingEventCalls_ = 0;
    int pendingOutputCalls_ = 0;
};

}  // namespace qx::test
