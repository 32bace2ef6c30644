#include "recentfiles.h"

#include <QFileInfo>

namespace korvo {

namespace {
void listChanged(Preferences &prefs)
{
    prefs.setup.fileHistoryCt = static_cast<int16_t>(prefs.recentFiles.size());
}
} // namespace

bool addToLastOpen(Preferences &prefs, const QString &path)
{
    if (prefs.setup.remFileHistory == 0 || path.isEmpty() || prefs.recentFiles.contains(path))
        return false;
    const int maximum = std::max<int>(0, prefs.setup.maxFileHistoryCt);
    if (maximum == 0)
        return false;
    prefs.recentFiles.prepend(path);
    while (prefs.recentFiles.size() > maximum)
        prefs.recentFiles.removeLast();
    listChanged(prefs);
    return true;
}

bool removeFromLastOpen(Preferences &prefs, int index)
{
    if (index < 0 || index >= prefs.recentFiles.size())
        return false;
    prefs.recentFiles.removeAt(index);
    listChanged(prefs);
    return true;
}

bool reopenLastOpened(Preferences &prefs, int index)
{
    if (index < 0 || index >= prefs.recentFiles.size())
        return false;
    const QString path = prefs.recentFiles.at(index);
    removeFromLastOpen(prefs, index);
    addToLastOpen(prefs, path);
    return true;
}

void activateIniData(Preferences &prefs)
{
    const QStringList stored = prefs.recentFiles;
    prefs.recentFiles.clear();
    for (qsizetype i = stored.size() - 1; i >= 0; --i)
        addToLastOpen(prefs, stored.at(i));
    listChanged(prefs);
}

QList<RecentEntry> displayLastOpened(const Preferences &prefs)
{
    QList<RecentEntry> entries;
    for (const QString &path : prefs.recentFiles)
        entries.append({path, true});
    return entries;
}

QList<RecentEntry> recentEntriesAsLoaded(const Preferences &prefs)
{
    QList<RecentEntry> entries;
    for (const QString &path : prefs.recentFiles)
        entries.append({path, QFileInfo::exists(path)});
    return entries;
}

} // namespace korvo
