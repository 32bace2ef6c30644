#include "editsearch.h"

#include "app/prompt.h"
#include "editor/editwindow.h"
#include "editor/findreplacedialog.h"

#include <Qsci/qsciscintilla.h>

namespace korvo {

void EditSearch::showDialog(bool replaceMode)
{
    if (!m_dialog)
        m_dialog = new FindReplaceDialog(&m_window);
    m_dialog->showFor(replaceMode, m_editor->hasSelectedText() ? m_editor->selectedText() : m_last.text);
}

void EditSearch::findNext()
{
    if (m_last.text.isEmpty()) {
        showDialog(false);
        return;
    }
    const SearchOptions last = m_last;
    if (!findText(last))
        ask(m_window.prompt(), QStringLiteral("Cannot find \"%1\".").arg(last.text),
            QStringLiteral("Find Next"), PromptIcon::Information);
}

bool EditSearch::findText(const SearchOptions &options)
{
    m_last = options;
    if (options.text.isEmpty())
        return false;
    return m_editor->findFirst(options.text, false, options.matchCase, options.wholeWord, options.wrap, true);
}

bool EditSearch::replaceAndFindNext(const SearchOptions &options, const QString &replacement)
{
    m_last = options;
    const QString selected = m_editor->selectedText();
    const Qt::CaseSensitivity sensitivity = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    // Replace only what the last search found; otherwise this press just finds the next occurrence.
    if (!selected.isEmpty() && selected.compare(options.text, sensitivity) == 0)
        m_editor->replaceSelectedText(replacement);
    return findText(options);
}

int EditSearch::replaceAll(const SearchOptions &options, const QString &replacement)
{
    m_last = options;
    if (options.text.isEmpty())
        return 0;
    int count = 0;
    m_editor->beginUndoAction();
    bool found =
        m_editor->findFirst(options.text, false, options.matchCase, options.wholeWord, false, true, 0, 0);
    while (found) {
        m_editor->replace(replacement);
        ++count;
        found = m_editor->findNext();
    }
    m_editor->endUndoAction();
    return count;
}

} // namespace korvo
