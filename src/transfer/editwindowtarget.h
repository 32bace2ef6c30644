#pragma once

// An edit window as the far end of a transfer: the text a download or verify reads, and the window an
// upload fills as its lines arrive.

#include "transfer/transferjob.h"

namespace korvo {

class EditWindow;

// The edit parts of a transfer's target for edit (which may close while the job runs).
void setEditWindowTarget(TransferJob::Target &target, EditWindow *edit);

} // namespace korvo
