#pragma once
// The desktop as features see it: opening windows, message boxes, file dialogs, clipboard,
// ending the process. The Qt view implements it; tests use a scripted fake.
#include <functional>
#include <memory>
#include <string>

#include "core/Text.h"
#include "ui/Window.h"

namespace qx::ui {

enum class MessageStyle { Ok, YesNoQuestion };
enum class MessageAnswer { Ok, Yes, No };

struct FileDialogRequest {
    bool save = true;
    Text title;             // GBK
    Text initialDirectory;  // GBK path
    Text defaultName;       // GBK
    Text filter;            // pairs "name|pattern|name|pattern"; a text without "|" is one entry
    int filterIndex = 1;
};

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // Shows the window without a parent; its created handlers run before it is shown.
    virtual void openModeless(const WindowPtr& window) = 0;
    // Shows the child modally over the parent; returns when the child is destroyed.
    virtual void openModal(const WindowPtr& child, const WindowPtr& parent) = 0;
    // Destroys the window (ends its modal loop). Safe to call more than once.
    virtual void destroy(const WindowPtr& window) = 0;

    // May be called from a worker thread: blocks that worker until answered on the UI thread.
    virtual MessageAnswer messageBox(Window* owner, const Text& message, const Text& title,
                                     MessageStyle style) = 0;
    // Returns the chosen path, or empty text on cancel.
    virtual Text fileDialog(Window* owner, const FileDialogRequest& request) = 0;

    virtual void setClipboardText(const Text& text) = 0;
    virtual Text clipboardText() = 0;

    // Runs f on the UI thread once the window has been drawn for the first time (soon, when it
    // already has been or is never drawn): work the first sight of a window does not need waits.
    virtual void afterFirstPaint(const WindowPtr& window, std::function<void()> f) = 0;

    // Lets the UI thread handle what is pending, once; does nothing on another thread.
    virtual void processPendingEvents() = 0;
    // The same, but user input stays queued until later: a handler that waits keeps its windows
    // painted without taking clicks in the middle of its work.
    virtual void processPendingEventsExceptInput() = 0;
    // Ends the whole process at once.
    [[noreturn]] virtual void endProcess(int code) = 0;
};

}  // namespace qx::ui
