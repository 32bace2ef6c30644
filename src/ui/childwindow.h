#pragma once

// What the main window needs of every MDI child (terminal and edit windows) and what a child may ask of the
// main window, so that children and the main window can be built and tested apart.

#include "app/devicecatalogue.h"
#include "app/windowkind.h"
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
    // A child became the one the commands work on (the main window keeps track of it).
    virtual void childActivated(WindowKind kind, int slot) = 0;
    // A child closed for good (its owner decides what is active next).
    virtual void childClosed(WindowKind kind, int slot) = 0;
    // Device type whose files the file dialogs offer first (the active terminal's).
    virtual DeviceType deviceFamily() const = 0;
};

// A host that ignores everything, for windows that run without a main window (tests, benchmarks).
class IdleCommandHost final : public CommandHost
{
public:
    void setEnabled(Command, bool) override {}
    void setTip(Command, const QString &) override {}
    void showTerminalMenu(const QPoint &, bool) override {}
    void showEditMenu(const QPoint &) override {}
    void childActivated(WindowKind, int) override {}
    void childClosed(WindowKind, int) override {}
    DeviceType deviceFamily() const override { return Veltor; }
};

// A window that its owner closes because the program exits keeps its slot for the next start instead of
// freeing it; the owner says so before closing it.
class ExitNotice
{
public:
    void setClosingApplication(bool closing) { m_closingApplication = closing; }
    bool closingApplication() const { return m_closingApplication; }

private:
    bool m_closingApplication = false;
};

class ChildWindow : public ExitNotice
{
public:
    virtual ~ChildWindow() = default;
    virtual WindowKind kind() const = 0;
    virtual int slot() const = 0;
    // Reports the commands this window can run now; called when it becomes active.
    virtual void updateCommands(CommandHost &host) = 0;
    // Asked of every window before any of them closes: false when this one refuses (it says why itself).
    virtual bool mayClose() { return true; }
};

} // namespace korvo
