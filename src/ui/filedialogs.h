#pragma once

// The file dialogs of the program (programs, transfer listings, files to send, upgrade, capture and
// preferences files): what each one shows, and a way for tests to answer them.

#include "app/devicecatalogue.h"
#include "settings/preferences.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QFileDialog;
class QWidget;

namespace korvo {

enum class FileDialogKind {
    ProgramFile,   // File Open / Save as of an edit window
    TransferFile,  // upload or download listing
    SendFile,      // file sent from a terminal by File Open
    NewFileBrowse, // "Browse..." of the new-file dialog
    UpgradeFile,
    FactoryUpgradeFile, // the upgrade file in factory mode, which may also be a hex file
    CaptureFile,
    PreferencesFile,
    TraceFile, // the line monitor's log
};

enum class FileDialogMode { Open, Save };

struct FileDialogRequest
{
    QString title;
    QStringList filters; // Qt's form: "uKorvo Files (*.kxt)"
    QString selectedFilter;
    QString defaultSuffix; // without the dot
    QString initialPath;
    FileDialogMode mode = FileDialogMode::Open;
};

// "desc|pattern|desc|pattern" filter text turned into Qt's filter list (";" between patterns becomes a
// blank, "*.*" becomes "*").
QStringList qtFilters(const QString &filterText);

// Device type whose files the dialogs offer first: the active terminal's, Veltor when none is open.
DeviceType activeDeviceFamily(const Preferences &prefs, int activeComm);

FileDialogRequest fileDialogRequest(FileDialogKind kind, DeviceType family, const QString &initialPath,
                                    FileDialogMode mode = FileDialogMode::Open);

// The dialog getFile shows for a request, not yet shown.
std::unique_ptr<QFileDialog> fileDialogFor(const FileDialogRequest &request, QWidget *parent = nullptr);

// Answers a dialog instead of showing it (tests answer dialogs with one).
using FileDialogRunner = std::function<std::optional<QString>(const FileDialogRequest &)>;

// Opens the program's file dialogs. Its owner hands it to whoever opens one; without a runner it shows
// the real dialog.
class FileDialogs
{
public:
    explicit FileDialogs(FileDialogRunner runner = {}) : m_runner(std::move(runner)) {}

    // bGet_File: shows the dialog; empty when the user cancelled.
    std::optional<QString> getFile(FileDialogKind kind, DeviceType family, const QString &initialPath,
                                   FileDialogMode mode = FileDialogMode::Open,
                                   QWidget *parent = nullptr) const;
    // An empty function restores the real dialog.
    void setRunner(FileDialogRunner runner) { m_runner = std::move(runner); }

private:
    FileDialogRunner m_runner;
};

// Dialogs that always show the real thing, for windows whose owner gives them none.
const FileDialogs &realFileDialogs();

} // namespace korvo
