#include "mainmenus.h"

#include "app/appstate.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace korvo {

namespace {
constexpr Command kSep = Command::Separator;

QString menuCaption(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QKeySequence tableShortcut(Command command)
{
    return QKeySequence(QString::fromLatin1(commandInfo(command).shortcut));
}
} // namespace

MainMenus::MainMenus(QMenuBar *bar, QObject *parent) : QObject(parent), m_bar(bar)
{
    // The item positions are the ones users and the recent-file list count on.
    addMenu(MenuId::File, tr("&File"),
            {Command::FileNew, Command::FileOpen, Command::FileSave, Command::FileSaveAs, Command::FilePrint,
             kSep, Command::LoadPreferences, kSep, Command::Exit, kSep},
            nullptr);
    action(Command::Exit)->setMenuRole(QAction::QuitRole);
    item(MenuId::File, kRecentSeparator)->setVisible(false);

    addMenu(MenuId::Edit, tr("&Edit"),
            {Command::Undo, Command::Redo, kSep, Command::Cut, Command::Copy, Command::Paste, Command::Delete,
             Command::SelectAll, kSep, Command::Find, Command::FindNext, Command::Replace, kSep,
             Command::Preferences, kSep, Command::SavePreferences, Command::SavePreferencesAs},
            nullptr);
    addMenu(MenuId::Comm, tr("&Edit"),
            {Command::CommCopy, Command::CommPaste, Command::CommSelectAll, kSep, Command::Connect,
             Command::Disconnect, kSep, Command::Snap, kSep, Command::Preferences, kSep,
             Command::SavePreferences, Command::SavePreferencesAs},
            nullptr);

    QMenu *view =
        addMenu(MenuId::View, tr("&View"),
                {Command::NewEditWindow, Command::NewTerminalWindow, kSep, Command::CanConfiguration, kSep,
                 Command::SpiCommunications, kSep, Command::FindCommSettings, kSep, Command::RamViewer},
                nullptr);
    QMenu *can = addMenu(MenuId::Can, commandCaption(Command::CanConfiguration),
                         {Command::CanModule, Command::CanDongle, Command::CanMonitor}, view);
    action(Command::CanConfiguration)->setMenu(can);

    addMenu(MenuId::Transfer, tr("&Transfer"),
            {Command::Upload, Command::Download, kSep, Command::Capture, Command::PauseCapture,
             Command::StopCapture},
            nullptr);

    m_bar->addAction(commandAction(Command::Upgrade));

    QMenu *window =
        addMenu(MenuId::Window, tr("&Window"),
                {Command::TileHorizontally, Command::TileVertically, Command::Cascade, Command::ArrangeIcons},
                nullptr);
    connect(window, &QMenu::aboutToShow, this, [this, window] { emit windowListAboutToShow(window); });

    QMenu *help = addMenu(MenuId::Help, tr("&Help"), {Command::HelpTutorials, kSep, Command::About}, nullptr);
    action(Command::About)->setMenuRole(QAction::AboutRole);
    QMenu *tutorials = new QMenu(commandCaption(Command::HelpTutorials), help);
    for (Command topic :
         {Command::HelpUpgradingFirmware, Command::HelpBasicMotion, Command::HelpLanguageStructure,
          Command::HelpPraxisCommands, Command::HelpErrorCodes, Command::HelpFirstProgram})
        tutorials->addAction(commandAction(topic));
    action(Command::HelpTutorials)->setMenu(tutorials);

    QMenu *groups = m_bar->addMenu(QStringLiteral("FuncGrps"));
    m_menus[static_cast<int>(MenuId::FuncGroups)] = groups;

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
        a->setVisible(app().factory);
    connect(a, &QAction::triggered, this, [this, command] { emit triggered(command); });
    m_actions.insert(command, a);
    return a;
}

QMenu *MainMenus::addMenu(MenuId id, const QString &title, std::initializer_list<Command> items,
                          QMenu *parent)
{
    QMenu *menu = parent ? new QMenu(title, parent) : m_bar->addMenu(title);
    m_menus[static_cast<int>(id)] = menu;
    for (Command command : items) {
        if (command == kSep)
            menu->addSeparator();
        else
            menu->addAction(commandAction(command));
    }
    return menu;
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

void MainMenus::setTerminalFocused(bool focused)
{
    if (focused == m_terminalFocused)
        return;
    m_terminalFocused = focused;
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const QKeySequence shortcut = tableShortcut(it.key());
        if (!shortcut.isEmpty() && (shortcut[0].keyboardModifiers() & Qt::ControlModifier))
            it.value()->setShortcut(focused ? QKeySequence() : shortcut);
    }
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
        QAction *entry = groups->addAction(menuCaption(names[g]));
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
