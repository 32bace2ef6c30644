#include "toolwindows.h"

#include "app/prompt.h"
#include "can/canconfigwindow.h"
#include "link/commlink.h"
#include "shell/mainwindow.h"
#include "spi/spicommwindow.h"
#include "terminal/commwindow.h"

#include <QAction>

namespace korvo {

ToolWindows::ToolWindows(MainWindow *window) : QObject(window), m_window(window) {}

ToolWindows::~ToolWindows() = default;

CommWindow *ToolWindows::activeOrFirstTerminal() const
{
    const ActiveChild &active = m_window->active();
    int n = active.kind == WindowKind::Terminal ? active.comm : 0;
    for (int slot = 1; n == 0 && slot <= m_window->prefs().commCt; ++slot)
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
        if (m_window->prefs().countWindows(WindowKind::Terminal) == 0)
            m_window->runCommand(Command::NewTerminalWindow);
        CommWindow *terminal = activeOrFirstTerminal();
        // A job running on the terminal keeps its link.
        const QString busy = terminal ? terminal->link().busyText() : QString();
        if (!busy.isEmpty())
            ask(m_window->prompt(), busy, CanConfigWindow::caption(CanTarget(index)),
                PromptIcon::Exclamation);
        if (!terminal || !busy.isEmpty()) {
            checkCanItems();
            return;
        }
        Preferences &prefs = m_window->prefs();
        CanWindowSetup setup;
        setup.records = {prefs.canTable[0], prefs.canTable[1], prefs.canTable[2]};
        setup.place = prefs.canWindow;
        setup.canSetup = m_window->options().canSetup;
        setup.noReplyCheck = m_window->options().noReplyCheck;
        m_can = new CanConfigWindow(CanTarget(index), terminal->link(), setup, m_window->prompt(), m_window);
        connect(m_can, &CanConfigWindow::recordsChanged, this,
                [this](const std::array<CanRecord, 3> &records) {
                    std::copy(records.begin(), records.end(), m_window->prefs().canTable.begin());
                });
        connect(m_can, &CanConfigWindow::placeChanged, this,
                [this](const CanWindowRecord &place) { m_window->prefs().canWindow = place; });
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
        SpiCommWindow::Services services;
        services.fileDialogs = &m_window->fileDialogs();
        m_spi = new SpiCommWindow(m_window->prefs().spi, m_window->prompt(), m_window, std::move(services));
        m_window->prefs().spi = m_spi->record();
        connect(m_spi, &SpiCommWindow::recordChanged, this,
                [this](const SpiRecord &record) { m_window->prefs().spi = record; });
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
    if (m_spi) {
        m_spi->setClosingApplication(closingApplication);
        m_spi->close();
    }
    if (m_can) {
        m_can->setClosingApplication(closingApplication);
        m_can->close();
    }
}

} // namespace korvo
