#pragma once

// Runs the commands of the command table: one handler per command, bound in one place. A command
// without a handler tells the user that it is not available yet; a feature window makes its command
// work by binding a handler (setHandler) and nothing else.

#include "preferences/optionsvalues.h"
#include "shell/childwindows.h"
#include "transfer/transferdialog.h"
#include "ui/command.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

namespace korvo {

class DocumentCommands;
class MainWindow;
class LineMonitorWindow;
class RamViewerWindow;

class CommandRouter : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    CommandRouter(MainWindow *window, DocumentCommands *documents);

    // Builds the real terminal and edit windows on window's preferences.
    static ChildWindows::Factory childFactory(MainWindow *window);

    // Runs a command that applies to the active window kind.
    void run(Command command);
    // Get_Options: the preferences dialog on the page of a request code (0: the active window's page).
    // Without a request the first page follows the active window.
    void getOptions(std::optional<PreferencesRequest> request = std::nullopt);
    void setHandler(Command command, Handler handler);
    bool hasHandler(Command command) const { return m_handlers.contains(command); }

    void selectFunctionGroup(int group);
    // A terminal became the active window: the line monitor, when open, watches it from now on.
    void terminalActivated(CommWindow &comm);
    // Size_Comm_Window and the terminal's own layout after its size changed.
    void sizeCommWindow(int slot);
    void layoutCommWindow(int slot);
    bool isConnected(int slot) const;
    // The checks before an upload or download; true when the transfer may start, after telling the user
    // why not otherwise. A transfer handler calls it first.
    bool passesTransferGate(bool download) const;
    // What the transfer dialog remembers between transfers (target, file, device name).
    TransferMemory &transferMemory() { return m_transfer; }
    // Opens the transfer dialog for command on file (File Open on a terminal); the target chosen before
    // comes back once the job has ended, or when the dialog opens again without one having run.
    void transferOnce(Command command, const QString &file);

private:
    void bindHandlers();
    // Binds a handler that runs on the active edit window, or on the active terminal when it is one.
    template <typename EditCall, typename CommCall>
    void bindChild(Command command, EditCall edit, CommCall comm);
    void newTerminalWindow();
    // Get_Options: the preferences dialog on the page of the active window kind.
    // View, "&Find Comm. Settings": the search dialog, modal, on the active terminal's link.
    void findCommSettings();
    // View, "&RAM Viewer": opens for a Veltor or Fendra terminal, else closes.
    void toggleRamViewer();
    // View, "&Line Monitor": opens on the active terminal's link, else closes.
    void toggleLineMonitor();
    void arrange(Command command);
    void openTransfer(TransferJob::Kind kind);
    void setTransferMemory(const TransferMemory &memory) { m_transfer = memory; }
    void restoreTransferTarget();

    MainWindow *m_window;
    DocumentCommands *m_documents;
    QHash<Command, Handler> m_handlers;
    QPointer<RamViewerWindow> m_ramViewer;
    QPointer<LineMonitorWindow> m_lineMonitor;
    TransferMemory m_transfer;
    std::optional<TransferMemory> m_targetBeforeOnce; // toFile and fileName to restore after transferOnce
    bool m_onceOpened = false;                        // the dialog has opened on the one-off file
    // The preferences dialog's "Apply to:", kept from one opening to the next.
    ApplyToWord m_applyTo;
};

} // namespace korvo
