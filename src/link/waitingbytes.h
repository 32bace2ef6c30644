#pragma once

// How many bytes the system holds for a port's or socket's descriptor that its owner has not read yet.
// Never waits; where the system offers no such count it sees nothing.

#include <QtGlobal>

namespace korvo {

qint64 waitingByteCount(qintptr descriptor);

} // namespace korvo
