#pragma once

// The workspace: the preferences document, which this class loads from the preferences file, owns and
// writes back; which slots reopen a window, and the slot arithmetic of new windows. No widgets: the main
// window opens the windows that this class names.

#include "app/programoptions.h"
#include "editor/languageset.h"
#include "settings/preferences.h"

#include <QList>
#include <QString>
#include <utility>

namespace korvo {

class Workspace
{
public:
    static constexpr int kNewWindowOffsetTwips = 350;

    // The preferences file is the one the options name; the options' version is written into it and
    // their factory switch adds the RAM viewer's record. A named file that holds something other than
    // preferences is a document instead, and the workspace is the default one of the start-up folder.
    explicit Workspace(const ProgramOptions &options);

    Preferences &prefs() { return m_prefs; }
    const Preferences &prefs() const { return m_prefs; }
    // The editor's language sets, built from the preferences' styles and the keyword lists.
    LanguageSets &languages() { return m_languages; }
    // The preferences file as named (relative to the start-up folder or not), and another one from now on.
    const QString &prefFile() const { return m_prefFile; }
    void setPrefFile(const QString &prefFile) { m_prefFile = prefFile; }
    // The document named on the command line, handed out once; empty when there is none.
    QString takeStartDocument() { return std::exchange(m_startDocument, QString()); }

    // Resets both slot tables to the template slot and the recent list, reads the preferences file and the
    // keyword lists and removes what saves killed half-way left; false when a keyword list could not be read.
    bool load();
    // Writes the preferences file; false when it could not be written, error saying why.
    bool save(QString *error = nullptr) const;
    // Edit slots whose window reopens, in slot order.
    QList<int> editSlotsToOpen() const;
    // Terminal slots whose window reopens, in slot order; AutoName slots get their "Terminal n" name.
    QList<int> commSlotsToOpen();
    // The active terminal after loading: the first one not minimised, else the last slot; 0 when no
    // terminal is open.
    int settledActiveTerminal(int firstNotMinimised) const;

    // LoadNewComm's slot: the lowest free slot 1..9 filled from the template, moved down and right by
    // 350 twips per slot number, its port the slot number, connected when the template is; 0 when all nine
    // are taken.
    int newCommSlot();
    // The same for an edit window holding a document name; there is no upper limit.
    int newEditSlot(const QString &name);
    // A window is gone for good: its slot is free again.
    void releaseSlot(WindowKind kind, int slot);

private:
    // What saves killed half-way left beside the preferences file, the documents and their backups.
    void removeStaleTemporaries() const;

    Preferences m_prefs;
    LanguageSets m_languages;
    QString m_prefFile;
    QString m_startDocument;
    QString m_startDir;
    QString m_programDir;
    QString m_version;
    bool m_factory = false;
};

} // namespace korvo
