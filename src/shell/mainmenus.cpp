#include "mainmenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace korvo {

namespace {
QString menuCaption(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QKeySequence tableShortcut(Command command)
{
    return QKeySequence(QString::fromLatin1(commandInfo(command).shortcut));
}
} // namespace

MainMenus::MainMenus(QMenuBar *bar, bool factory, QObject *parent)
    : QObject(parent), m_bar(bar), m_factory(factory)
{
    // The menus in the order of the menu bar, each with the place its items name in the command table.
    struct Place
    {
        MenuId id;
        const char *title;
        unsigned place;
    };
    const Place places[] = {
        {MenuId::File, "&File", InFile},
        {MenuId::Edit, "&Edit", InEdit},
        {MenuId::Comm, "&Edit", InTerminalEdit},
        {MenuId::View, "&View", InView},
        {MenuId::Transfer, "&Transfer", InTransfer},
        {MenuId::Window, "&Window", InWindow},
        {MenuId::Help, "&Help", InHelp},
    };
    for (const Place &p : places)
        m_menus[static_cast<int>(p.id)] = m_bar->addMenu(tr(p.title));
    QMenu *can = new QMenu(commandCaption(Command::CanConfiguration), menu(MenuId::View));
    m_menus[static_cast<int>(MenuId::Can)] = can;
    QMenu *topics = new QMenu(commandCaption(Command::HelpTutorials), menu(MenuId::Help));

    for (const CommandInfo &info : commandTable()) {
        if (info.places & InMenuBar)
            m_bar->insertAction(menu(MenuId::Window)->menuAction(), commandAction(info.command));
        auto place = [&](unsigned bit, QMenu *target) {
            if (!(info.places & bit))
                return;
            if (info.flags & SeparatorBefore)
                target->addSeparator();
            target->addAction(commandAction(info.command));
        };
        for (const Place &p : places)
            place(p.place, menu(p.id));
        place(InCan, can);
        place(InHelpTopics, topics);
    }
    action(Command::CanConfiguration)->setMenu(can);
    action(Command::HelpTutorials)->setMenu(topics);
    action(Command::Exit)->setMenuRole(QAction::QuitRole);
    action(Command::About)->setMenuRole(QAction::AboutRole);
    // The recent files follow their own separator, hidden while the list is empty.
    menu(MenuId::File)->addSeparator()->setVisible(false);
    QMenu *window = menu(MenuId::Window);
    connect(window, &QMenu::aboutToShow, this, [this, window] { emit windowListAboutToShow(window); });

    m_menus[static_cast<int>(MenuId::FuncGroups)] = m_bar->addMenu(QStringLiteral("Func&Grps"));
    showMenusFor(WindowKind::None);
}

QAction *MainMenus::commandAction(Command command)
{
    if (QAction *existing = m_actions.value(command))
        return existing;
    const CommandInfo &info = commandInfo(command);
    auto *a = new QAction(commandCaption(command), this);
    a->setShortcut(tableShortcut(command));
    a->setCheckable(info.flags & Checkable);
    if (info.flags & FactoryOnly)
        a->setVisible(m_factory);
    connect(a, &QAction::triggered, this, [this, command] { emit triggered(command); });
    m_actions.insert(command, a);
    return a;
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

QAction *MainMenus::action(Command command) const
{
    return m_actions.value(command);
}

void MainMenus::showMenusFor(WindowKind kind)
{
    const bool terminal = kind == WindowKind::Terminal;
    // Only the shown "&Edit" menu sits in the menu bar: a hidden one would still claim Alt+E there.
    QAction *shown = menu(terminal ? MenuId::Comm : MenuId::Edit)->menuAction();
    QAction *hidden = menu(terminal ? MenuId::Edit : MenuId::Comm)->menuAction();
    m_bar->removeAction(hidden);
    hidden->setVisible(false);
    if (!m_bar->actions().contains(shown))
        m_bar->insertAction(menu(MenuId::View)->menuAction(), shown);
    shown->setVisible(true);
    menu(MenuId::FuncGroups)->menuAction()->setVisible(terminal && !menu(MenuId::FuncGroups)->isEmpty());
}

void MainMenus::setTerminalActive(bool active)
{
    if (active == m_terminalActive)
        return;
    m_terminalActive = active;
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const QKeySequence shortcut = tableShortcut(it.key());
        if (!shortcut.isEmpty() && (shortcut[0].keyboardModifiers() & Qt::ControlModifier))
            it.value()->setShortcut(active ? QKeySequence() : shortcut);
    }
}

void MainMenus::execTerminalMenu(const QPoint &globalPos, bool canCopy, QWidget *parent)
{
    QMenu popup(parent);
    for (QAction *item : menu(MenuId::Comm)->actions()) {
        // Everything up to the preferences items.
        if (item == action(Command::Preferences))
            break;
        popup.addAction(item);
    }
    QAction *copy = action(Command::CommCopy);
    const bool wasEnabled = copy->isEnabled();
    copy->setEnabled(canCopy);
    popup.exec(globalPos);
    copy->setEnabled(wasEnabled);
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
        connect(entry, &QAction::triggered, this, [this, i] { emit recentChosen(i); });
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
    action(Command::PauseCapture)
        ->setText(paused ? tr("&Resume Capture") : commandCaption(Command::PauseCapture));
}

void MainMenus::setFunctionGroups(const QStringList &names, int current)
{
    QMenu *groups = menu(MenuId::FuncGroups);
    groups->clear();
    for (int g = 0; g < names.size(); ++g) {
        // Numbered like the window list, so that the first nine have an Alt letter whatever their names.
        const QString caption = menuCaption(names[g]);
        QAction *entry =
            groups->addAction(g < 9 ? QStringLiteral("&%1 %2").arg(g + 1).arg(caption) : caption);
        entry->setCheckable(true);
        entry->setChecked(g == current);
        connect(entry, &QAction::triggered, this, [this, g] { emit functionGroupChosen(g); });
    }
    groups->menuAction()->setVisible(menu(MenuId::Comm)->menuAction()->isVisible() && !names.isEmpty());
}

void MainMenus::setWindowCaption(const QString &caption)
{
    menu(MenuId::Window)->setTitle(caption);
}

} // namespace korvo
