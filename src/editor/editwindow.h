#pragma once

// frmEditWindow: an MDI child that edits one program or plain-text file in a colouring editor, bound to
// an edit slot of the preferences document.

#include "editor/editorlook.h"
#include "editor/editsearch.h"
#include "editor/languageset.h"
#include "editor/programfile.h"
#include "settings/preferences.h"
#include "ui/childwindow.h"

#include <QWidget>
#include <functional>
#include <memory>

class QsciScintilla;

namespace korvo {

class EditInput;
class EditStatusBar;
class FileDialogs;
class Prompt;

// What an edit window reads of its owner's settings, which outlive it.
struct EditWindowSettings
{
    const SetupRecord &setup;              // file names in captions
    const std::array<DocStyle, 3> &styles; // the language sets' look
    LanguageSets &languages;               // reloaded for the window's file kind
    QString programDir;                    // keyword files
};

class EditWindow : public QWidget, public ChildWindow
{
    Q_OBJECT
public:
    // The owner hands the window its slot's record, the file dialogs, the prompt and the host it reports to,
    // which stay in place for the window's life.
    EditWindow(int slot, EditSlot &record, const EditWindowSettings &settings, const FileDialogs &fileDialogs,
               Prompt &prompt, CommandHost &host, QWidget *parent = nullptr);
    ~EditWindow() override;

    WindowKind kind() const override { return WindowKind::Edit; }
    Prompt &prompt() const { return m_prompt; }
    CommandHost &host() const { return m_host; }
    int slot() const override { return m_slot; }
    void updateCommands(CommandHost &host) override;

    // Becomes the active document (activation of the window).
    void activate();
    // Enable_Edit_ToolBar and Setup_Edit_Menu: what the host's toolbar and edit menu offer for this window.
    void enableEditToolBar(CommandHost &host);
    void setupEditMenu(CommandHost &host);

    // Open_Edit_File: loads path (when it exists) and its language; an empty path is ignored.
    void openEditFile(const QString &path);
    // Set_FileType: language and file kind for an upper-case extension tag ("VXT", "TXT", ...).
    void setFileType(const QString &tag);
    // Set_Editor: re-reads the language set of the slot's file kind and re-colours the text.
    void setEditor();
    // The caption after a change of the file-name preferences (or of the window's size).
    void updateCaption();
    // Save_Edit_File: writes the document; false (and still modified) when the file cannot be written.
    // Only File Save keeps the previous file as a backup.
    bool saveEditFile(const QString &path, KeepBackup backup = KeepBackup::No);
    // Save as: file dialog, write, caption, savedAs for the recent list. False when cancelled or not written.
    bool saveAs();
    // bCheck_Save: the "Save Changes" prompt; true when the caller may go on.
    bool checkSave();

    // Empties the document for a new file name (File New of a file that does not exist).
    void newDocument(const QString &name);
    // Replaces the whole text (uploads into the window) and marks it unmodified when asked.
    void setDocumentText(const QString &text, bool modified);
    // Adds text (with its line ends) at the end as one more piece of the document, as an upload fills the
    // window: the caret, the selection and the view stay where the user has them, only the new text is
    // coloured, and the window turns modified with the first piece, as typing would make it.
    void appendText(const QString &text);
    // An upload replacing the document: beginUpload() empties it, appendText() adds the pieces and
    // endUpload() closes them into one Undo step, which brings the old text back with its modified mark.
    void beginUpload();
    void endUpload();
    QString documentText() const;
    bool isModified() const;
    void setModified(bool modified);
    QString fileName() const;
    QString selectedText() const; // strGet_Selected_Text

    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void deleteSelection();
    void selectAll();
    void find() { m_search.showDialog(false); }
    void findNext() { m_search.findNext(); }
    void replace() { m_search.showDialog(true); }
    // Searches from the caret (see EditSearch).
    bool findText(const SearchOptions &options) { return m_search.findText(options); }
    bool replaceAndFindNext(const SearchOptions &options, const QString &replacement)
    {
        return m_search.replaceAndFindNext(options, replacement);
    }
    int replaceAll(const SearchOptions &options, const QString &replacement)
    {
        return m_search.replaceAll(options, replacement);
    }
    // Prints through the print dialog; printing itself is in ui/common/printing.
    void print();
    // Shows the window, restored when minimised, in front of its neighbours (a job is filling it).
    void bringToFront();

    QsciScintilla *editor() const { return m_editor; }
    bool overwriteMode() const;
    void toggleOverwrite();
    QString statusText(int panel) const; // 3 insert/overwrite, 6 line, 7 column

signals:
    void savedAs(const QString &path);
    // The text or its modified state changed (the recovery copies follow it).
    void documentChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Loads the language sets of the slot's file kind; returns the kind.
    DeviceType loadLanguage();
    void modificationChanged(bool modified);
    void markModified(bool modified); // slot flag, caption and toolbar only
    void setDocumentBytes(const QByteArray &utf8);
    QWidget *frame() const; // the MDI sub-window when there is one

    int m_slot = 0;
    EditSlot &m_record;
    EditWindowSettings m_settings;
    const FileDialogs &m_fileDialogs;
    Prompt &m_prompt;
    CommandHost &m_host;
    bool m_loading = false;
    QsciScintilla *m_editor;
    EditStatusBar *m_status;
    EditorLook m_look;
    EditSearch m_search;
    std::unique_ptr<EditInput> m_input; // goes before the editor it watches
};

} // namespace korvo
