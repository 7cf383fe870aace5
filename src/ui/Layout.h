#pragma once
// Window layouts as data: every window and control with its place, size and first caption. Each
// window's rows live in its feature's folder.
#include <string>
#include <vector>

namespace qx::ui {

enum class ControlKind {
    Button,
    CloseButton,
    Label,
    EditBox,
    PictureBox,
    GroupBox,
    TabControl,
    RadioButton,
    CheckBox,
    ProgressBar,
    Timer,
    SkinElement,
};

struct ControlLayout {
    std::string name;  // exactly as the layouts name it (UTF-8 source text)
    ControlKind kind;
    std::string caption;    // UTF-8 literal; caption or first text, turned into GBK at creation
    std::string container;  // empty: the window's client area; else a group box or tab control
    int page = -1;          // tab page index when the container is a tab control
    int x = 0, y = 0, width = 0, height = 0;
    bool multiLine = false;          // edit boxes: taller boxes wrap and scroll
    std::string skin;                // the skin name of the layout, for kinds that differ (QQ-style boxes)
    std::vector<std::string> pages;  // tab control page titles (UTF-8)
    int fontSize = 0;                // 0: the kind's default
    std::string font;                // font family of the layout (buttons); the view falls back to a CJK font
    bool visible = true;             // hidden at first (shown later by the program)
    int alpha = 255;                 // 0 transparent .. 255 opaque
    int maximum = 100;               // progress bars: the position that fills the bar
    bool centered = false;           // labels: caption centred (titles under pictures), else left-aligned
    std::string picture;  // picture boxes: the embedded picture shown from creation on (see Pictures)
    // What a screen reader calls a control whose caption does not say what it does (a symbol,
    // a picture); empty: its caption.
    std::string accessibleName;
};

struct WindowLayout {
    std::string name;   // MainWindow, AboutWindow, ...
    std::string title;  // UTF-8; empty for untitled windows
    int width = 0, height = 0;
    int x = 50, y = 50;
    std::vector<ControlLayout> controls;
    std::string skinElement;  // name of the control that carries the window skin
    // The largest size the program grows the window to (0: the layout size); controls beyond
    // the layout size stay clipped until then.
    int grownWidth = 0, grownHeight = 0;
};

// Every window's close button (rows::closeButton); the common wiring of a child window binds it.
inline constexpr const char* kCloseButton = "按钮EX1";

}  // namespace qx::ui
