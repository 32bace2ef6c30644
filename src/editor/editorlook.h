#pragma once

// How an edit window's editor shows a file kind: program kinds get the Praxis colouring in the program
// style set with the keywords of their device family, plain text the plain style; tabs, indentation,
// selection colours and the margin line come from the kind's own set.

class QsciScintilla;

namespace korvo {

class PraxisLexer;

class EditorLook
{
public:
    explicit EditorLook(QsciScintilla *editor) : m_editor(editor) {}

    // kind: 0 plain text, 1, 4, 5, 6 the program kinds (device types of the language sets).
    void apply(int kind);
    // Applies kind when ensure() asks, unless apply() came first: a window opened on a file takes the file's
    // look only, and one that is never shown takes none.
    void defer(int kind) { m_pending = kind; }
    void ensure()
    {
        if (m_pending >= 0)
            apply(m_pending);
    }

private:
    QsciScintilla *m_editor;
    PraxisLexer *m_lexer = nullptr; // owned by the editor while set
    int m_pending = -1;
};

} // namespace korvo
