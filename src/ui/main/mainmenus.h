#pragma once

// The main window's menu bar: every menu with its captions in the order the command handlers count on,
// reporting each choice as (menu, item index).

#include "app/appstate.h"
#include "recentfiles.h"

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

    explicit MainMenus(QMenuBar *bar, QObject *parent = nullptr);

    QMenu *menu(MenuId id) const;
    // Item of a menu by its index; separators count.
    QAction *item(MenuId id, int index) const;
    QAction *upgradeAction() const { return m_upgrade; }
    QAction *aboutAction() const { return m_about; }

    // Shows the "&Edit" menu that belongs to the kind of the active window, with its "FuncGrps" menu.
    void showMenusFor(WindowKind kind);
    // Recent files as File items 10...; the separator shows while the list is kept and not empty.
    void setRecentFiles(const QList<RecentEntry> &files, bool kept);
    void setCapturePaused(bool paused);
    void setFunctionGroups(const QStringList &names, int current);
    void setWindowCaption(const QString &caption);
    // Disables every item of the edit-window and terminal "&Edit" menus that a child can enable.
    void disableEditItems();

signals:
    void triggered(korvo::MenuId menu, int index);
    void upgradeTriggered();
    void aboutTriggered();
    void windowListAboutToShow(QMenu *menu);

private:
    QMenu *addMenu(MenuId id, const QString &title, const QStringList &items);
    void connectItems(MenuId id);

    QMenuBar *m_bar;
    QMenu *m_menus[9] = {};
    QAction *m_upgrade = nullptr;
    QAction *m_about = nullptr;
};

} // namespace korvo
