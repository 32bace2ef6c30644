#include "transfer/editwindowtarget.h"

#include "editor/editwindow.h"

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
            window->appendText(line + QStringLiteral("\r\n"));
    };
}

} // namespace korvo
