#include "toolwindows.h"

#include "app/appstate.h"
#include "can/canconfigwindow.h"
#include "shell/mainwindow.h"
#include "spi/spicommwindow.h"
#include "terminal/commwindow.h"

#include <QAction>

namespace korvo {

ToolWindows::ToolWindows(MainWindow *window) : QObject(window), m_window(window) {}

ToolWindows::~ToolWindows() = default;

CommWindow *ToolWindows::activeOrFirstTerminal() const
{
    const AppState &state = app();
    int n = state.activeKind == WindowKind::Terminal ? state.activeComm : 0;
    for (int slot = 1; n == 0 && slot <= state.commCt; ++slot)
        if (m_window->childWidget(WindowKind::Terminal, slot))
            n = slot;
    return qobject_cast<CommWindow *>(m_window->childWidget(WindowKind::Terminal, n));
}

void ToolWindows::checkCanItems()
{
    const Command items[] = {Command::CanModule, Command::CanDongle, Command::CanMonitor};
    for (int i = 0; i < 3; ++i)
        m_window->menus()->action(items[i])->setChecked(m_can && int(m_can->target()) == i);
}

void ToolWindows::openCan(int index)
{
    if (!m_can) {
        if (app().countWindows(WindowKind::Terminal) == 0)
            m_window->runCommand(Command::NewTerminalWindow);
        CommWindow *terminal = activeOrFirstTerminal();
        if (!terminal) {
            checkCanItems();
            return;
        }
        m_can = new CanConfigWindow(CanTarget(index), terminal->link(), m_window);
        connect(m_can, &CanConfigWindow::closed, this, &ToolWindows::checkCanItems, Qt::QueuedConnection);
        connect(terminal, &QObject::destroyed, m_can, &QWidget::close);
        m_can->show();
    }
    m_can->raise();
    m_can->activateWindow();
    checkCanItems();
}

SpiCommWindow *ToolWindows::spi() const
{
    return m_spi;
}

void ToolWindows::showSpi()
{
    QAction *item = m_window->menus()->action(Command::SpiCommunications);
    if (!m_spi) {
        m_spi = new SpiCommWindow(m_window);
        // A closed window is deleted later; from now on View opens a new one.
        connect(m_spi, &SpiCommWindow::closed, this, [this, item] {
            item->setChecked(false);
            m_spi = nullptr;
        });
    }
    item->setChecked(true);
    m_spi->show();
    m_spi->raise();
    m_spi->activateWindow();
}

void ToolWindows::closeAll(bool closingApplication)
{
    AppState &state = app();
    state.closingApplication = closingApplication;
    if (m_spi)
        m_spi->close();
    if (m_can)
        m_can->close();
    state.closingApplication = false;
}

} // namespace korvo
