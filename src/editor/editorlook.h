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

private:
    QsciScintilla *m_editor;
    PraxisLexer *m_lexer = nullptr; // owned by the editor while set
};

} // namespace korvo
