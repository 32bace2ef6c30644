#pragma once

// What the main window needs of every MDI child (terminal and edit windows) and what a child may ask of the
// main window, so that children and the main window can be built and tested apart.

#include "app/appstate.h"

#include <QPoint>
#include <QString>

namespace korvo {

// Menu items that the active child enables or disables for itself.
enum class MenuCommand {
    // "&Edit" menu of an edit window
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    Delete,
    SelectAll,
    Find,
    FindNext,
    Replace,
    // "&Edit" menu of a terminal window
    CommCopy,
    CommPaste,
    CommSelectAll,
    Connect,
    Disconnect,
    Snap,
};

// The main window's side: toolbar buttons by key ("new", "open", "save", "cut", "copy", "paste", "print",
// "props", "con", "discon", "upld", "dnld", "clear", "snap"), menu items, the terminal's context menu.
class CommandHost
{
public:
    virtual ~CommandHost() = default;
    virtual void setToolEnabled(const QString &key, bool enabled) = 0;
    virtual void setToolTip(const QString &key, const QString &tip) = 0;
    virtual void setMenuEnabled(MenuCommand command, bool enabled) = 0;
    // Shows the terminal menu ("Copy", "Paste", "Select All", "Connect", "Disconnect", "Snap") at a point.
    virtual void showTerminalMenu(const QPoint &globalPos, bool canCopy) = 0;
    // Shows the edit-window "&Edit" menu, every item of it, as a pop-up at a point.
    virtual void showEditMenu(const QPoint &globalPos) = 0;
};

// The host in use; a host that ignores everything when no main window exists (tests of single windows).
CommandHost &commandHost();
void setCommandHost(CommandHost *host);

class ChildWindow
{
public:
    virtual ~ChildWindow() = default;
    virtual WindowKind kind() const = 0;
    virtual int slot() const = 0;
    // Enables the toolbar buttons and menu items that apply to this window; called when it becomes active.
    virtual void updateCommands(CommandHost &host) = 0;
};

} // namespace korvo
