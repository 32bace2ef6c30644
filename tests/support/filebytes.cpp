#include "filebytes.h"

#include <QFile>

namespace korvo {

QByteArray fileBytes(const QString &path, const QByteArray &unreadable)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : unreadable;
}

} // namespace korvo
