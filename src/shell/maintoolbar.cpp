#include "maintoolbar.h"

#include "shell/toolicons.h"

#include <QAction>
#include <QToolBar>

namespace korvo {

namespace {
constexpr Command kSep = Command::Separator;

const Command kButtons[] = {
    Command::FileNew,
    Command::FileOpen,
    Command::FileSave,
    kSep,
    Command::Cut,
    Command::Copy,
    Command::Paste,
    kSep,
    Command::FilePrint,
    Command::Preferences,
    kSep,
    Command::Connect,
    Command::Disconnect,
    kSep,
    Command::Upload,
    Command::Download,
    kSep,
    Command::Clear,
    Command::Snap,
};
} // namespace

MainToolBar::MainToolBar(QToolBar *bar, QObject *parent) : QObject(parent), m_bar(bar)
{
    m_bar->setObjectName(QStringLiteral("tbrKORVO"));
    m_bar->setWindowTitle(tr("Toolbar"));
    m_bar->setMovable(false);
    for (Command command : kButtons) {
        if (command == kSep) {
            m_bar->addSeparator();
            continue;
        }
        const CommandInfo &info = commandInfo(command);
        const QString key = QString::fromLatin1(info.icon);
        const QString tip = QString::fromLatin1(info.tip);
        QAction *action = m_bar->addAction(toolIcon(key), tip);
        action->setObjectName(key);
        action->setToolTip(tip);
        connect(action, &QAction::triggered, this, [this, command] { emit triggered(command); });
        m_buttons.insert(command, action);
        m_commands.append(command);
    }
    disableAll();
}

QAction *MainToolBar::button(Command command) const
{
    return m_buttons.value(command);
}

void MainToolBar::setTip(Command command, const QString &tip)
{
    if (QAction *action = button(command)) {
        action->setText(tip);
        action->setToolTip(tip);
    }
}

void MainToolBar::disableAll()
{
    for (QAction *action : std::as_const(m_buttons))
        action->setEnabled(false);
}

} // namespace korvo
