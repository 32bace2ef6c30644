#include "exitsequence.h"

#include "shell/childwindows.h"
#include "shell/documentcommands.h"
#include "shell/helpbrowser.h"
#include "shell/mainwindow.h"
#include "shell/sessionprompt.h"
#include "shell/setupplacement.h"
#include "shell/shutdownsignals.h"
#include "shell/toolwindows.h"

#include <QApplication>

namespace korvo {

ExitSequence::ExitSequence(MainWindow *window, DocumentCommands *documents, ToolWindows *tools,
                           SetupPlacement *placement)
    : QObject(window), m_window(window), m_documents(documents), m_tools(tools), m_placement(placement),
      m_signals(new ShutdownSignals(this))
{
    connect(m_signals, &ShutdownSignals::shutdownRequested, this, &ExitSequence::endSession);
}

bool ExitSequence::closeRequested()
{
    // Every question first: a refusing window or a Cancel leaves every window open.
    if (!m_window->children()->mayAllClose())
        return false;
    if (!m_sessionEnding && !m_documents->settleDocuments())
        return false;
    if (!m_window->closeChildren(true))
        return false;
    // Every document was saved or let go: the copies kept while it ran are not wanted any more (after a
    // session end they stay, as they were kept).
    m_documents->refreshRecoveryCopies();
    m_placement->storeOnExit();
    closeToolWindows();
    m_window->savePreferences();
    return true;
}

void ExitSequence::endSession()
{
    if (m_sessionEnding)
        return;
    m_sessionEnding = true;
    m_window->prompt().endSession();
    // Half a workspace must not be saved: the start goes on without questions and ends it.
    if (!m_starting)
        finishSession();
}

bool ExitSequence::startEnds()
{
    m_starting = false;
    if (!m_sessionEnding)
        return true;
    finishSession();
    return false;
}

void ExitSequence::finishSession()
{
    m_documents->keepRecoveryCopies();
    if (!m_window->close()) {
        // A child that refuses (a repeating function key) must not keep the session from ending.
        m_placement->store();
        closeToolWindows();
        m_window->savePreferences();
    }
    QApplication::quit();
}

void ExitSequence::closeToolWindows()
{
    if (HelpBrowser *help = m_window->helpBrowser())
        help->close();
    m_tools->closeAll(true);
}

} // namespace korvo
