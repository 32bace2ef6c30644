#pragma once

// The terminal and edit windows behind the main window's slots, as the router and the file commands
// need them.

#include "app/windowkind.h"

namespace korvo {

// The child the commands work on: its kind, and the last active edit and terminal slots (0: none).
struct ActiveChild
{
    WindowKind kind = WindowKind::None;
    int doc = 0;
    int comm = 0;
};

class CommWindow;
class EditWindow;
class MainWindow;

EditWindow *editWindow(const MainWindow &window, int slot);
CommWindow *commWindow(const MainWindow &window, int slot);
// The active window of that kind, or nullptr when the active window is of the other kind or none.
EditWindow *activeEditWindow(const MainWindow &window);
CommWindow *activeCommWindow(const MainWindow &window);

} // namespace korvo
