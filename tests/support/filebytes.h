#pragma once

// A file's whole contents for comparing in tests; `unreadable` when it is missing or cannot be read.

#include <QByteArray>
#include <QString>

namespace korvo {

QByteArray fileBytes(const QString &path, const QByteArray &unreadable = QByteArray());

} // namespace korvo
