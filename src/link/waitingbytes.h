#pragma once

// What the system holds for a port's or socket's descriptor that its owner has not read yet. Both never
// wait; where the system offers no such count they see nothing.

#include <QByteArray>
#include <QtGlobal>

namespace korvo {

qint64 waitingByteCount(qintptr descriptor);
// Reads exactly what is counted as waiting, so it never meets an empty descriptor or the end of a stream.
QByteArray takeWaitingBytes(qintptr descriptor);

} // namespace korvo
