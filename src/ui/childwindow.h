#pragma once

// What the main window needs of every MDI child (terminal and edit windows) and what a child may ask of the
// main window, so that children and the main window can be built and tested apart.

#include "app/appstate.h"
#include "ui/command.h"

#include <QPoint>
#include <QString>

namespace korvo {

// The main window's side: a child reports which commands it can run now (toolbar buttons and menu items
// of the command table), rewrites toolbar tips and asks for the terminal's context menu.
class CommandHost
{
public:
    virtual ~CommandHost() = default;
    virtual void setEnabled(Command command, bool enabled) = 0;
    virtual void setTip(Command command, const QString &tip) = 0;
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
    // Reports the commands this window can run now; called when it becomes active.
    virtual void updateCommands(CommandHost &host) = 0;
};

} // namespace korvo
