#include "exitsequence.h"

#include "app/prompt.h"
#include "shell/documentcommands.h"
#include "shell/helpbrowser.h"
#include "shell/mainwindow.h"
#include "shell/setupplacement.h"
#include "shell/shutdownsignals.h"
#include "shell/toolwindows.h"

#include <QApplication>

namespace korvo {

namespace {
// Answers every question of a closing session without waiting for anyone: nothing is saved over a file
// that the user did not ask to save (unsaved text is in recovery copies by then), and no dialog holds the
// shutdown up.
class SessionEndPrompt final : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override
    {
        switch (request.buttons) {
        case PromptButtons::YesNo:
        case PromptButtons::YesNoCancel:
            return PromptAnswer::No;
        case PromptButtons::OkCancel:
        case PromptButtons::Ok:
            break;
        }
        return PromptAnswer::Ok;
    }
};
} // namespace

ExitSequence::ExitSequence(MainWindow *window, DocumentCommands *documents, ToolWindows *tools,
                           SetupPlacement *placement)
    : QObject(window), m_window(window), m_documents(documents), m_tools(tools), m_placement(placement),
      m_signals(new ShutdownSignals(this))
{
    connect(m_signals, &ShutdownSignals::shutdownRequested, this, &ExitSequence::endSession);
}

bool ExitSequence::closeRequested()
{
    // Every question first: a Cancel leaves every window open.
    if (!m_sessionEnding && !m_documents->settleDocuments())
        return false;
    if (!m_window->closeChildren(true))
        return false;
    m_placement->storeOnExit();
    closeToolWindows();
    m_window->workspace().save();
    return true;
}

void ExitSequence::endSession()
{
    if (m_sessionEnding)
        return;
    m_sessionEnding = true;
    m_documents->keepRecoveryCopies();
    SessionEndPrompt quiet;
    setPrompt(&quiet);
    if (!m_window->close()) {
        // A child that refuses (a repeating function key) must not keep the session from ending.
        m_placement->store();
        closeToolWindows();
        m_window->workspace().save();
    }
    setPrompt(nullptr);
    QApplication::quit();
}

void ExitSequence::closeToolWindows()
{
    if (HelpBrowser *help = m_window->helpBrowser())
        help->close();
    m_tools->closeAll(true);
}

} // namespace korvo
