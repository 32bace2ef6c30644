#include "recentfiles.h"

#include "app/appstate.h"

#include <QFileInfo>

namespace korvo {

namespace {
std::function<void()> &changedHook()
{
    static std::function<void()> hook;
    return hook;
}

void listChanged()
{
    AppState &state = app();
    state.setup.fileHistoryCt = static_cast<int16_t>(state.recentFiles.size());
    if (changedHook())
        changedHook()();
}
} // namespace

void addToLastOpen(const QString &path)
{
    AppState &state = app();
    if (state.setup.remFileHistory == 0 || path.isEmpty() || state.recentFiles.contains(path))
        return;
    const int maximum = std::max<int>(0, state.setup.maxFileHistoryCt);
    if (maximum == 0)
        return;
    state.recentFiles.prepend(path);
    while (state.recentFiles.size() > maximum)
        state.recentFiles.removeLast();
    listChanged();
}

void removeFromLastOpen(int index)
{
    AppState &state = app();
    if (index < 0 || index >= state.recentFiles.size())
        return;
    state.recentFiles.removeAt(index);
    listChanged();
}

void reopenLastOpened(int index)
{
    AppState &state = app();
    if (index < 0 || index >= state.recentFiles.size())
        return;
    const QString path = state.recentFiles.at(index);
    removeFromLastOpen(index);
    addToLastOpen(path);
}

void activateIniData()
{
    AppState &state = app();
    const QStringList stored = state.recentFiles;
    state.recentFiles.clear();
    for (qsizetype i = stored.size() - 1; i >= 0; --i)
        addToLastOpen(stored.at(i));
    listChanged();
}

QList<RecentEntry> displayLastOpened()
{
    QList<RecentEntry> entries;
    for (const QString &path : app().recentFiles)
        entries.append({path, true});
    return entries;
}

QList<RecentEntry> recentEntriesAsLoaded()
{
    QList<RecentEntry> entries;
    for (const QString &path : app().recentFiles)
        entries.append({path, QFileInfo::exists(path)});
    return entries;
}

void setRecentFilesChanged(std::function<void()> changed)
{
    changedHook() = std::move(changed);
}

} // namespace korvo
