#pragma once

// Find and replace in an edit window's editor, from the caret; remembers the last search for Find Next.

#include <QString>

class QsciScintilla;

namespace korvo {

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
    explicit EditSearch(QsciScintilla *editor) : m_editor(editor) {}

    const SearchOptions &last() const { return m_last; }

    // Selects the next occurrence; false when the text was not found.
    bool findText(const SearchOptions &options);
    // Replaces the selection when it is the text searched for, then finds the next occurrence; false when
    // nothing more was found.
    bool replaceAndFindNext(const SearchOptions &options, const QString &replacement);
    // Replaces every occurrence in the document as one undo step; returns how many.
    int replaceAll(const SearchOptions &options, const QString &replacement);

private:
    QsciScintilla *m_editor;
    SearchOptions m_last;
};

} // namespace korvo
