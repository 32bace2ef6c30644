#include "transfer/editwindowtarget.h"

#include "editor/editwindow.h"

#include <Qsci/qsciscintilla.h>

#include <QPointer>

namespace korvo {

void setEditWindowTarget(TransferJob::Target &target, EditWindow *edit)
{
    const QPointer<EditWindow> window = edit;
    target.editText = [window] { return window ? window->documentText() : QString(); };
    // Emptied without an undo step and unmodified: the upload's text is what the window then holds.
    target.clearEdit = [window] {
        if (window)
            window->setDocumentText(QString(), false);
    };
    target.appendEditLine = [window](const QString &line) {
        if (window)
            appendToEditWindow(*window, line + QStringLiteral("\r\n"));
    };
}

void appendToEditWindow(EditWindow &edit, const QString &text)
{
    // Appending leaves caret and view alone and invalidates the colouring only from the old end; the
    // editor's own modified state tells the window once, when the text first differs from the saved one.
    const QByteArray utf8 = text.toUtf8();
    edit.editor()->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<uintptr_t>(utf8.size()),
                                 utf8.constData());
}

} // namespace korvo
