#pragma once
// A child window as its feature declares it: its name, its layout rows, the controls its handlers
// name (with the kind they expect) and the binder that attaches those handlers. The program lists
// the descriptors and opens windows from them.
#include <span>
#include <string_view>

#include "ui/Layout.h"
#include "ui/WindowSystem.h"

namespace qx {
struct ProgramState;
}

namespace qx::ui {

// A control a feature's handlers use, by the name of its layout row.
struct ControlRef {
    const char* name;
    ControlKind kind;
};

using WindowBinder = void (*)(const WindowPtr& window, ProgramState& state, WindowSystem& windows);

struct WindowDescriptor {
    std::string_view name;
    const WindowLayout& (*layout)() = nullptr;
    // nullptr: only the common wiring.
    WindowBinder bind = nullptr;
    std::span<const ControlRef> controls = {};
};

}  // namespace qx::ui
