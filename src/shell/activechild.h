#pragma once

// The terminal and edit windows behind the main window's slots, as the router and the file commands
// need them.

namespace korvo {

class CommWindow;
class EditWindow;
class MainWindow;

EditWindow *editWindow(const MainWindow &window, int slot);
CommWindow *commWindow(const MainWindow &window, int slot);
// The active window of that kind, or nullptr when the active window is of the other kind or none.
EditWindow *activeEditWindow(const MainWindow &window);
CommWindow *activeCommWindow(const MainWindow &window);

} // namespace korvo
