#pragma once

// The recent-file list at the end of the File menu, kept in the application state (most recent first,
// at most MaxFileHistoryCt entries, only while RemFileHistory is on). The main window builds its menu
// items from entries() whenever the list tells it that it changed.

#include <QList>
#include <QString>
#include <functional>

namespace korvo {

struct RecentEntry
{
    QString path;
    bool enabled = true;
};

// Add_To_Last_Open: the path becomes entry 0; a path already listed keeps its place; the oldest entry
// drops off when the list is full.
void addToLastOpen(const QString &path);
// Remove_From_Last_Open: removes entry index.
void removeFromLastOpen(int index);
// Moves an entry to the top (a recent entry chosen from the File menu).
void reopenLastOpened(int index);
// Activate_INI_Data: rebuilds the list from the stored entries, adding the last first.
void activateIniData();

// Display_Last_Opened: the entries the menu shows, all enabled.
QList<RecentEntry> displayLastOpened();
// The entries as just read from the preferences file: files that no longer exist are disabled.
QList<RecentEntry> recentEntriesAsLoaded();

// Called after every change of the list (the main window rebuilds its File-menu entries).
void setRecentFilesChanged(std::function<void()> changed);

} // namespace korvo
