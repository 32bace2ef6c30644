#pragma once

// How the main window ends. Exit (or the window's close box) asks about every unsaved document first, then
// closes the child and tool windows, each keeping its record for the next start, stores the window's
// placement and writes the preferences file. When the desktop session ends under the program (SIGTERM,
// SIGHUP) unsaved text goes to recovery copies and the same steps run without a question.

#include <QObject>

namespace korvo {

class DocumentCommands;
class MainWindow;
class SetupPlacement;
class ShutdownSignals;
class ToolWindows;

class ExitSequence : public QObject
{
    Q_OBJECT
public:
    ExitSequence(MainWindow *window, DocumentCommands *documents, ToolWindows *tools,
                 SetupPlacement *placement);

    // The main window's close event: true when it may close, false when the user cancelled or a child
    // refused (then every window that is still open stays as it was).
    bool closeRequested();
    // The session is ending: nothing waits for the user, and the program quits. While the main window
    // starts, a question that is open closes and the rest waits until the workspace is whole.
    void endSession();
    bool sessionEnding() const { return m_sessionEnding; }
    void startBegins() { m_starting = true; }
    // Ends a session that ended during the start; false then, and the program does not run on.
    bool startEnds();

private:
    // Help, SPI and CAN windows; their records keep saying they were open.
    void closeToolWindows();
    // Keeps unsaved text, closes every window keeping its record, saves the preferences and quits.
    void finishSession();

    MainWindow *m_window;
    DocumentCommands *m_documents;
    ToolWindows *m_tools;
    SetupPlacement *m_placement;
    ShutdownSignals *m_signals;
    bool m_sessionEnding = false;
    bool m_starting = false;
};

} // namespace korvo
