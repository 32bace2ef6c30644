#pragma once

// How an edit window's editor shows a file kind: program kinds get the Praxis colouring in the program
// style set with the keywords of their device family, plain text the plain style; tabs, indentation,
// selection colours and the margin line come from the kind's own set.

#include "app/devicecatalogue.h"

#include <optional>

class QsciScintilla;

namespace korvo {

class LanguageSets;
class PraxisLexer;

class EditorLook
{
public:
    // The sets outlive the look.
    EditorLook(QsciScintilla *editor, const LanguageSets &sets) : m_editor(editor), m_sets(sets) {}

    // kind: plain text, or a program kind (uKorvo, Veltor, Fendra, NB: the device types of the language
    // sets).
    void apply(DeviceType kind);
    // Applies kind when ensure() asks, unless apply() came first: a window opened on a file takes the file's
    // look only, and one that is never shown takes none.
    void defer(DeviceType kind) { m_pending = kind; }
    void ensure()
    {
        if (m_pending)
            apply(*m_pending);
    }

private:
    QsciScintilla *m_editor;
    const LanguageSets &m_sets;
    PraxisLexer *m_lexer = nullptr; // owned by the editor while set
    std::optional<DeviceType> m_pending;
};

} // namespace korvo
