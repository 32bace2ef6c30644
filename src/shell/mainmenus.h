#pragma once

// The main window's menu bar, built from the command table: every menu with its items in the table's
// order, one action per command (shared where both "&Edit" menus hold the same command), plus the lists
// that change at run time (recent files, function-key groups, open windows).

#include "settings/recentfiles.h"
#include "ui/command.h"

#include <QHash>
#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QMenuBar;

namespace korvo {

enum class MenuId { File, Edit, Comm, View, Can, Transfer, Window, Help, FuncGroups };

class MainMenus : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRecentSeparator = 9;
    static constexpr int kFirstRecent = 10;
    static constexpr int kWindowListStart = 4;
    static constexpr int kHelpTopics = 6;

    // factory: the "-f" switch, which shows the factory-only items.
    MainMenus(QMenuBar *bar, bool factory, QObject *parent = nullptr);

    QMenu *menu(MenuId id) const;
    // Item of a menu by its index; separators count.
    QAction *item(MenuId id, int index) const;
    // The menu item of a command; nullptr for a toolbar-only command.
    QAction *action(Command command) const;
    QAction *upgradeAction() const { return action(Command::Upgrade); }
    QAction *aboutAction() const { return action(Command::About); }

    // Shows the "&Edit" menu that belongs to the kind of the active window, with its "FuncGrps" menu.
    void showMenusFor(WindowKind kind);
    // Recent files as File items 10...; the separator shows while the list is kept and not empty.
    void setRecentFiles(const QList<RecentEntry> &files, bool kept);
    void setCapturePaused(bool paused);
    void setFunctionGroups(const QStringList &names, int current);
    void setWindowCaption(const QString &caption);
    // While a terminal is the active window every Ctrl key belongs to the device: the Ctrl shortcuts step
    // back, and the menus stop showing keys that would do nothing.
    void setTerminalActive(bool active);
    // The terminal's context menu, from the items of its "&Edit" menu; Copy follows canCopy meanwhile.
    void execTerminalMenu(const QPoint &globalPos, bool canCopy, QWidget *parent);

signals:
    void triggered(korvo::Command command);
    void recentChosen(int entry);
    void functionGroupChosen(int group);
    void windowListAboutToShow(QMenu *menu);

private:
    QAction *commandAction(Command command);

    QMenuBar *m_bar;
    bool m_factory;
    QMenu *m_menus[9] = {};
    QHash<Command, QAction *> m_actions;
    bool m_terminalActive = false;
};

} // namespace korvo
