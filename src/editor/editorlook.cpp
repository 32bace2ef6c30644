#include "editorlook.h"

#include "editor/languageset.h"
#include "editor/praxislexer.h"

#include <Qsci/qsciscintilla.h>

namespace korvo {

void EditorLook::apply(DeviceType kind)
{
    m_pending.reset();
    if (kind == PlainText) {
        m_editor->setLexer(nullptr);
        delete m_lexer;
        m_lexer = nullptr;
        const ViewParameters &view = m_sets.set(PlainText).view;
        const QFont font = editorFont(view.font, view.size, view.bold, view.italic);
        m_editor->setFont(font);
        m_editor->setColor(styleColour(view.fore));
        m_editor->setPaper(styleColour(view.back));
        // Without a lexer the default style is the one every character is drawn in.
        m_editor->SendScintilla(QsciScintillaBase::SCI_STYLESETFONT, QsciScintillaBase::STYLE_DEFAULT,
                                font.family().toUtf8().constData());
        m_editor->SendScintilla(QsciScintillaBase::SCI_STYLECLEARALL);
    } else {
        if (!m_lexer)
            m_lexer = new PraxisLexer(m_editor);
        // Program kinds share the uKorvo set's look and use the keywords of their own family.
        m_lexer->apply(m_sets.set(UKorvo), m_sets.set(kind));
        m_editor->setLexer(m_lexer);
    }
    const ViewParameters &view = m_sets.set(kind).view;
    m_editor->setTabWidth(view.tab);
    m_editor->setIndentationsUseTabs(view.tabEnabled);
    m_editor->setAutoIndent(view.autoIndent);
    m_editor->setSelectionForegroundColor(styleColour(view.selectionFore));
    m_editor->setSelectionBackgroundColor(styleColour(view.selectionBack));
    m_editor->setEdgeColumn(view.margin);
    m_editor->setEdgeMode(view.margin > 0 ? QsciScintilla::EdgeLine : QsciScintilla::EdgeNone);
    m_editor->recolor();
}

} // namespace korvo
