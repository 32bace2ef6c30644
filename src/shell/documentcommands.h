#pragma once

// The File menu's commands for the active child (an edit window or a terminal window, each with its own
// meaning of New, Open, Save and Print), the recent-file entries, the preferences file, and the questions
// about unsaved documents before windows close.

#include "app/recoverystore.h"
#include "ui/filedialogs.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <memory>

namespace korvo {

class Clock;
class EditWindow;
class MainWindow;
class OneShotTimer;

class DocumentCommands : public QObject
{
    Q_OBJECT
public:
    // Unsaved text is kept for recovery on clock.
    DocumentCommands(MainWindow *window, Clock &clock);
    ~DocumentCommands() override;

    // File New; View, New Edit Window asks for a document in a window of its own.
    void newFile(bool inNewWindow = false);
    void openFile();
    void saveFile();
    void saveAs();
    void print();
    void loadPreferences();
    void savePreferencesAs();
    void openRecent(int entry);

    // Loads the document of a reopened edit slot (nothing for an untitled "Program").
    void loadEditFile(int slot);
    // A document given to the program (the command line, a file manager): the edit window that shows it
    // already, else a window of its own; it becomes the active window.
    void openDocument(const QString &path);
    // Asks about every modified document before any window closes. False when the user cancelled: then
    // no window has closed. Documents the user chose not to save close without asking again.
    bool settleDocuments();
    // The session ends under the program: keeps the text of every modified document as a recovery copy
    // and marks it unmodified; false when one could not be kept.
    bool keepRecoveryCopies();
    // A document changed: within kRecoveryDelayMs its recovery copy is brought up to date, so that a
    // killed program or a power loss loses at most that much typing.
    void noteDocumentChange();
    // Rewrites the copies of modified documents and removes those of documents saved, discarded or closed.
    void refreshRecoveryCopies();
    static constexpr int kRecoveryDelayMs = 30'000;
    // Offers the recovery copies of an earlier session that ended under us.
    void offerRecoveryCopies();

private:
    // The preferences file dialog; the chosen file, or empty when cancelled.
    QString choosePreferencesFile(FileDialogMode mode);
    // Open_Comm_File: downloads a file through the active terminal.
    void openCommFile(const QString &path);
    // "Save changes to File?" before another file replaces the active document; false = cancelled.
    bool saveBeforeReplacing(EditWindow *edit);
    // The edit window to load a document into: the active one, or a new one named after the document.
    EditWindow *targetEditWindow(EditWindow *active, const QString &name);

    // Writes a copy of every modified document; the others' copies go.
    bool writeRecoveryCopies(bool markUnmodified);

    MainWindow *m_window;
    RecoveryStore m_recovery;
    QSet<int> m_kept;                              // edit slots with a copy of this session
    std::unique_ptr<OneShotTimer> m_recoveryTimer; // none once the session has ended
    bool m_recoveryFailed = false;                 // reported once until a write succeeds again
};

} // namespace korvo
