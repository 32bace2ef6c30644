#include "mainmenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace korvo {

namespace {
const QString kSep = QStringLiteral("-");

QString menuCaption(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
} // namespace

MainMenus::MainMenus(QMenuBar *bar, QObject *parent) : QObject(parent), m_bar(bar)
{
    QMenu *file = addMenu(MenuId::File, tr("&File"),
                          {"&New...", "&Open...", "&Save", "S&ave as...", "&Print...", kSep,
                           "Load Preferences...", kSep, "E&xit", kSep});
    file->actions().at(0)->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    file->actions().at(1)->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    file->actions().at(2)->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    file->actions().at(4)->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    file->actions().at(8)->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    file->actions().at(8)->setMenuRole(QAction::QuitRole);
    file->actions().at(kRecentSeparator)->setVisible(false);

    QMenu *edit = addMenu(MenuId::Edit, tr("&Edit"),
                          {"&Undo", "&Redo", kSep, "Cu&t", "&Copy", "&Paste", "&Delete", "Select &All", kSep,
                           "&Find...", "Find &Next", "R&eplace", kSep, "&Preferences...", kSep,
                           "&Save Preferences", "Save Preverences &As..."});
    edit->actions().at(0)->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    edit->actions().at(1)->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    edit->actions().at(9)->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    edit->actions().at(10)->setShortcut(QKeySequence(QStringLiteral("F3")));

    // The terminal sends its own Ctrl keys, so this menu only shows them as text.
    addMenu(MenuId::Comm, tr("&Edit"),
            {"Copy              Ctl+C", "Paste             Ctl+V", "Select &All       Ctl+A", kSep, "Connect",
             "Disconnect", kSep, "Snap", kSep, "&Preferences...", kSep, "&Save Preferences",
             "Save Preverences &As..."});

    QMenu *view = addMenu(MenuId::View, tr("&View"),
                          {"New &Edit Window", "New &Terminal Window", kSep, "&CAN Configuration...", kSep,
                           "&SPI Communications", kSep, "&Find Comm. Settings", kSep, "&RAM Viewer"});
    QMenu *can = new QMenu(tr("&CAN Configuration..."), view);
    m_menus[static_cast<int>(MenuId::Can)] = can;
    for (const char *caption : {"&Module", "&Dongle", "M&onitor"})
        can->addAction(QString::fromLatin1(caption))->setCheckable(true);
    connectItems(MenuId::Can);
    view->actions().at(3)->setMenu(can);
    for (int index : {5, 7, 9})
        view->actions().at(index)->setCheckable(true);
    view->actions().at(9)->setVisible(app().factory);

    addMenu(MenuId::Transfer, tr("&Transfer"),
            {"&Upload", "&Download", kSep, "&Capture", "&Pause Capture", "&Stop Capture"});

    m_upgrade = m_bar->addAction(tr("&Upgrade!"));
    connect(m_upgrade, &QAction::triggered, this, &MainMenus::upgradeTriggered);

    QMenu *window = addMenu(MenuId::Window, tr("&Window"),
                            {"Tile &Horizontally", "Tile &Vertically", "&Cascade", "Arrange &Icons"});
    connect(window, &QMenu::aboutToShow, this, [this, window] { emit windowListAboutToShow(window); });

    QMenu *help = m_bar->addMenu(tr("&Help"));
    m_menus[static_cast<int>(MenuId::Help)] = help;
    QMenu *tutorials = help->addMenu(tr("&Zel Internet Tutorials..."));
    for (const char *topic : {"Upgrading Firmware", "Basic Motion Commands", "Praxis Language Structure",
                              "Praxis Commands", "Error Codes", "First Program"})
        tutorials->addAction(QString::fromLatin1(topic));
    for (int i = 0; i < kHelpTopics; ++i)
        connect(tutorials->actions().at(i), &QAction::triggered, this,
                [this, i] { emit triggered(MenuId::Help, i); });
    help->addSeparator();
    m_about = help->addAction(tr("&About Zel Terminal"));
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &MainMenus::aboutTriggered);

    QMenu *groups = m_bar->addMenu(QStringLiteral("FuncGrps"));
    m_menus[static_cast<int>(MenuId::FuncGroups)] = groups;

    showMenusFor(WindowKind::None);
    disableEditItems();
}

QMenu *MainMenus::addMenu(MenuId id, const QString &title, const QStringList &items)
{
    QMenu *menu = m_bar->addMenu(title);
    m_menus[static_cast<int>(id)] = menu;
    for (const QString &text : items) {
        if (text == kSep)
            menu->addSeparator();
        else
            menu->addAction(text);
    }
    connectItems(id);
    return menu;
}

void MainMenus::connectItems(MenuId id)
{
    const QList<QAction *> actions = menu(id)->actions();
    for (int i = 0; i < actions.size(); ++i) {
        if (!actions[i]->isSeparator())
            connect(actions[i], &QAction::triggered, this, [this, id, i] { emit triggered(id, i); });
    }
}

QMenu *MainMenus::menu(MenuId id) const
{
    return m_menus[static_cast<int>(id)];
}

QAction *MainMenus::item(MenuId id, int index) const
{
    const QList<QAction *> actions = menu(id)->actions();
    return index >= 0 && index < actions.size() ? actions[index] : nullptr;
}

void MainMenus::showMenusFor(WindowKind kind)
{
    const bool terminal = kind == WindowKind::Terminal;
    menu(MenuId::Edit)->menuAction()->setVisible(!terminal);
    menu(MenuId::Comm)->menuAction()->setVisible(terminal);
    menu(MenuId::FuncGroups)->menuAction()->setVisible(terminal && !menu(MenuId::FuncGroups)->isEmpty());
    item(MenuId::View, 9)->setEnabled(terminal);
    // Upload and Download stay available so that their gate can explain why nothing happens.
    for (int index : {3, 4, 5})
        item(MenuId::Transfer, index)->setEnabled(terminal);
}

void MainMenus::disableEditItems()
{
    for (int index : {0, 1, 3, 4, 5, 6, 7, 9, 10, 11})
        item(MenuId::Edit, index)->setEnabled(false);
    for (int index : {0, 1, 2, 4, 5, 7})
        item(MenuId::Comm, index)->setEnabled(false);
}

void MainMenus::setRecentFiles(const QList<RecentEntry> &files, bool kept)
{
    QMenu *file = menu(MenuId::File);
    QList<QAction *> actions = file->actions();
    while (actions.size() > kFirstRecent + files.size()) {
        QAction *extra = actions.takeLast();
        file->removeAction(extra);
        extra->deleteLater();
    }
    for (int i = actions.size() - kFirstRecent; i < files.size(); ++i) {
        QAction *entry = file->addAction(QString());
        const int index = kFirstRecent + i;
        connect(entry, &QAction::triggered, this, [this, index] { emit triggered(MenuId::File, index); });
    }
    actions = file->actions();
    for (int i = 0; i < files.size(); ++i) {
        QAction *entry = actions[kFirstRecent + i];
        entry->setText(menuCaption(files[i].path));
        entry->setVisible(true);
        entry->setEnabled(files[i].enabled);
    }
    QAction *separator = actions[kRecentSeparator];
    separator->setVisible(kept && !files.isEmpty());
    separator->setEnabled(kept);
}

void MainMenus::setCapturePaused(bool paused)
{
    item(MenuId::Transfer, 4)->setText(paused ? tr("&Resume Capture") : tr("&Pause Capture"));
}

void MainMenus::setFunctionGroups(const QStringList &names, int current)
{
    QMenu *groups = menu(MenuId::FuncGroups);
    groups->clear();
    for (int g = 0; g < names.size(); ++g) {
        QAction *entry = groups->addAction(menuCaption(names[g]));
        entry->setCheckable(true);
        entry->setChecked(g == current);
        connect(entry, &QAction::triggered, this, [this, g] { emit triggered(MenuId::FuncGroups, g); });
    }
    groups->menuAction()->setVisible(menu(MenuId::Comm)->menuAction()->isVisible() && !names.isEmpty());
}

void MainMenus::setWindowCaption(const QString &caption)
{
    menu(MenuId::Window)->setTitle(caption);
}

} // namespace korvo
