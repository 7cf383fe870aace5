#pragma once
// The window inspector's core, on X11 through xcb: the top-level window under the pointer and
// what the window tells about itself (title, class, process, geometry, child windows).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qx::windowinfo {

struct ChildWindow {
    std::uint32_t id = 0;
    std::string title;
    std::string className;
    int x = 0, y = 0, width = 0, height = 0;  // relative to the parent
    bool mapped = false;
};

struct WindowInfo {
    std::uint32_t id = 0;
    std::string title;                        // _NET_WM_NAME, else WM_NAME
    std::string instanceName;                 // WM_CLASS, first part
    std::string className;                    // WM_CLASS, second part
    int pid = 0;                              // _NET_WM_PID; 0 when the window does not say
    std::string machine;                      // WM_CLIENT_MACHINE
    std::string executable;                   // from /proc when the process runs on this computer
    int x = 0, y = 0, width = 0, height = 0;  // on the screen
    std::vector<ChildWindow> children;
};

// Why no window can be inspected with these environment values; empty when an X display is
// named. A Wayland session without X11 is said so plainly.
std::string displayProblem(const char* display, const char* waylandDisplay);

class XSession {
  public:
    // Connects to the display (nullptr: $DISPLAY). On failure error() says why.
    explicit XSession(const char* display = nullptr);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ok() const;
    const std::string& error() const { return error_; }

    // The application window under the pointer (inside a window manager's frame, the client
    // window); 0 over the bare desktop.
    std::uint32_t windowUnderPointer();
    // The same for a point of the screen.
    std::uint32_t windowAt(int x, int y);
    // False when the window is gone.
    bool read(std::uint32_t window, WindowInfo& info);
    // The application windows on the screen, the topmost first: on Wayland these are the windows
    // of the programs that run through XWayland, all this tool can reach.
    std::vector<std::uint32_t> topLevelWindows();

  private:
    std::uint32_t clientOf(std::uint32_t frame);

    struct State;
    std::unique_ptr<State> s_;
    std::string error_;
};

// What to say when no window was found under the pointer; on Wayland the pointer may well be
// over a native Wayland window, which no program can inspect.
std::string nothingUnderPointer(bool wayland);

// Everything as text, for the clipboard.
std::string describe(const WindowInfo& info);
std::string hexId(std::uint32_t id);

}  // namespace qx::windowinfo
