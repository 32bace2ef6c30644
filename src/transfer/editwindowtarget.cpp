#include "transfer/editwindowtarget.h"

#include "editor/editwindow.h"

#include <QPointer>

namespace korvo {

void setEditWindowTarget(TransferJob::Target &target, EditWindow *edit)
{
    const QPointer<EditWindow> window = edit;
    target.editText = [window] { return window ? window->documentText() : QString(); };
    // The whole upload is one Undo step.
    target.clearEdit = [window] {
        if (window)
            window->beginUpload();
    };
    target.endEdit = [window] {
        if (window)
            window->endUpload();
    };
    target.appendEditLine = [window](const QString &line) {
        if (window)
            window->appendText(line + QStringLiteral("\r\n"));
    };
}

} // namespace korvo
