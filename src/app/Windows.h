#pragma once
// Making the nine child windows. Every child window is made the same way: from its layout,
// with the pictures the layout names, the run's skin applied by its created handler and its
// close button 按钮EX1 destroying it. Then the window's feature binds its own handlers.
//
// How a feature binds its window: it declares, in its own header,
//     void bindXxxWindow(const ui::WindowPtr&, ProgramState&, ui::WindowSystem&);
// and names it in the one table of Windows.cpp (one line per window). The binder runs after
// the common wiring and before the window opens; it may replace the 按钮EX1 handler (a window
// that refuses to close while busy) and add created handlers, which run after the skin's.
#include <string_view>

#include "state/ProgramState.h"
#include "ui/WindowSystem.h"

namespace qx::app {

using WindowBinder = void (*)(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

// The binder of a child window; nullptr when its feature binds nothing (yet) or for an
// unknown name.
WindowBinder findWindowBinder(std::string_view windowName);

// Shows the embedded pictures the layout names in the window's picture boxes.
void applyLayoutPictures(ui::Window& window);
// Applies windowSkinImage to the window's skin element.
void applySkin(ui::Window& window, const ProgramState& state);

// Creates the named child window with the common wiring and its feature's handlers; nullptr
// for a name that has no layout.
ui::WindowPtr makeChildWindow(std::string_view name, ProgramState& state, ui::WindowSystem& windows);

// Makes the child window and shows it modally over the parent; returns when it is closed.
void openChildWindow(std::string_view name, const ui::WindowPtr& parent, ProgramState& state,
                     ui::WindowSystem& windows);

}  // namespace qx::app
