#include "app/programfiles.h"

#include "app/appstate.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace korvo {

QString programOrUserFile(const QString &fileName, const QString &folder, const QString &fallbackDir)
{
    const QFileInfo info(folder);
    if (!folder.isEmpty() && info.isDir() && info.isWritable())
        return QDir(folder).filePath(fileName);
    QDir().mkpath(fallbackDir);
    return QDir(fallbackDir).filePath(fileName);
}

QString programOrUserFile(const QString &fileName)
{
    return programOrUserFile(fileName, app().programDir,
                             QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

} // namespace korvo
