#pragma once
// Making the nine child windows. Every child window is made the same way: from its layout,
// with the pictures the layout names, the run's skin applied by its created handler and its
// close button 按钮EX1 destroying it. Then the window's feature binds its own handlers.
//
// How a feature declares its window: its folder defines a ui::WindowDescriptor (name, layout
// rows, the controls its handlers name, binder) and the one table of Windows.cpp lists it. The
// main window and the about box are app's own (MainWindowLayout.h). The binder runs
// after the common wiring and before the window opens; it may replace the 按钮EX1 handler (a
// window that refuses to close while busy) and add created handlers, which run after the skin's.
#include <span>
#include <string_view>
#include <vector>

#include "state/ProgramState.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"

namespace qx::app {

using ui::WindowBinder;

// Every child window's descriptor, in the order of the main window's buttons.
std::span<const ui::WindowDescriptor> childWindows();
// The layout of a window: MainWindow's, or a child window's from its descriptor; nullptr for an
// unknown name.
const ui::WindowLayout* findWindowLayout(std::string_view windowName);
// Every window's layout: the main window's first, then the child windows'.
std::vector<const ui::WindowLayout*> allWindowLayouts();

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
