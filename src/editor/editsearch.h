#pragma once

// Find and replace in an edit window's editor, from the caret: the Find and Replace dialog, Find Next with
// the last search, and the searches the dialog runs.

#include <QPointer>
#include <QString>

class QsciScintilla;

namespace korvo {

class EditWindow;
class FindReplaceDialog;

struct SearchOptions
{
    QString text;
    bool matchCase = false;
    bool wholeWord = false;
    bool wrap = true;
};

class EditSearch
{
public:
    EditSearch(EditWindow &window, QsciScintilla *editor) : m_window(window), m_editor(editor) {}

    // Find or Replace: the dialog, offering the selected text or else the text last searched for.
    void showDialog(bool replaceMode);
    // Find Next: the last search again ("Cannot find" when it fails), or the dialog when there was none.
    void findNext();

    // Selects the next occurrence; false when the text was not found.
    bool findText(const SearchOptions &options);
    // Replaces the selection when it is the text searched for, then finds the next occurrence; false when
    // nothing more was found.
    bool replaceAndFindNext(const SearchOptions &options, const QString &replacement);
    // Replaces every occurrence in the document as one undo step; returns how many.
    int replaceAll(const SearchOptions &options, const QString &replacement);

private:
    EditWindow &m_window;
    QsciScintilla *m_editor;
    SearchOptions m_last;
    QPointer<FindReplaceDialog> m_dialog;
};

} // namespace korvo
