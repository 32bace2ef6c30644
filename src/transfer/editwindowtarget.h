#pragma once

// An edit window as the far end of a transfer: the text a download or verify reads, and the window an
// upload fills as its lines arrive.

#include "transfer/transferjob.h"

namespace korvo {

class EditWindow;

// The edit parts of a transfer's target for edit (which may close while the job runs).
void setEditWindowTarget(TransferJob::Target &target, EditWindow *edit);

// Adds lines (with their line ends) at the end of the window's text as one more piece of it: the caret,
// the selection and the view stay where the user has them, only the new text is coloured, and the window
// turns modified with the first piece, as typing would make it.
void appendToEditWindow(EditWindow &edit, const QString &text);

} // namespace korvo
