#pragma once

// frmEditWindow: an MDI child that edits one program or plain-text file in a colouring editor, bound to
// an edit slot of the application state.

#include "ui/main/childwindow.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QsciScintilla;

namespace korvo {

class FindReplaceDialog;
class PraxisLexer;

struct SearchOptions
{
    QString text;
    bool matchCase = false;
    bool wholeWord = false;
    bool wrap = true;
};

class EditWindow : public QWidget, public ChildWindow
{
    Q_OBJECT
public:
    // Takes its slot from app().newSlot.
    explicit EditWindow(QWidget *parent = nullptr);
    ~EditWindow() override;

    WindowKind kind() const override { return WindowKind::Edit; }
    int slot() const override { return m_slot; }
    void updateCommands(CommandHost &host) override;

    // Becomes the active document (activation of the window).
    void activate();

    // Open_Edit_File: loads path (when it exists) and its language; an empty path is ignored.
    void openEditFile(const QString &path);
    // Set_FileType: language and file kind for an upper-case extension tag ("VXT", "TXT", ...).
    void setFileType(const QString &tag);
    // Set_Editor: re-reads the language set of the slot's file kind and re-colours the text.
    void setEditor();
    // The caption after a change of the file-name preferences (or of the window's size).
    void updateCaption();
    // Save_Edit_File: writes the document; false (and still modified) when the file cannot be written.
    bool saveEditFile(const QString &path);
    // Save as: file dialog, write, recent list, caption. False when cancelled or not written.
    bool saveAs();
    // bCheck_Save: the "Save Changes" prompt; true when the caller may go on.
    bool checkSave();

    // Empties the document for a new file name (File New of a file that does not exist).
    void newDocument(const QString &name);
    // Replaces the whole text (uploads into the window) and marks it unmodified when asked.
    void setDocumentText(const QString &text, bool modified);
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
    void find();
    void findNext();
    void replace();
    // Searches from the caret; false when the text was not found.
    bool findText(const SearchOptions &options);
    // Replaces the selection when it is the text searched for, then finds the next occurrence; false when
    // nothing more was found.
    bool replaceAndFindNext(const SearchOptions &options, const QString &replacement);
    // Replaces every occurrence in the document; returns how many.
    int replaceAll(const SearchOptions &options, const QString &replacement);
    // Prints through the print dialog; printing itself is in ui/main/printing.
    void print();

    QsciScintilla *editor() const { return m_editor; }
    bool overwriteMode() const;
    QString statusText(int panel) const; // 3 insert/overwrite, 6 line, 7 column

    // Replaces the Save-as step of the save prompt (the main window's File, Save as); empty = saveAs().
    static void setSaveAsHandler(std::function<bool(EditWindow &)> handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void enableEditToolBar(CommandHost &host);
    void setupEditMenu(CommandHost &host);
    void modificationChanged(bool modified);
    void markModified(bool modified); // slot flag, caption and toolbar only
    void caretMoved(int line, int column);
    void showEditMenu(const QPoint &globalPos);
    bool handleKey(QKeyEvent *event);
    void setDocumentBytes(const QByteArray &utf8);
    QWidget *frame() const; // the MDI sub-window when there is one

    int m_slot = 0;
    bool m_loading = false;
    QsciScintilla *m_editor = nullptr;
    PraxisLexer *m_lexer = nullptr;
    QLabel *m_insertPanel = nullptr;
    QLabel *m_linePanel = nullptr;
    QLabel *m_columnPanel = nullptr;
    QPointer<FindReplaceDialog> m_findDialog;
    SearchOptions m_lastSearch;
};

} // namespace korvo
