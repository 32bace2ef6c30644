#pragma once

// The recent-file list at the end of the File menu, kept in the preferences document (most recent first,
// at most MaxFileHistoryCt entries, only while RemFileHistory is on). The changes say whether the list
// changed, so that the caller rebuilds its menu items only then.

#include "settings/preferences.h"

#include <QList>
#include <QString>

namespace korvo {

struct RecentEntry
{
    QString path;
    bool enabled = true;
};

// Add_To_Last_Open: the path becomes entry 0; a path already listed keeps its place; the oldest entry
// drops off when the list is full.
bool addToLastOpen(Preferences &prefs, const QString &path);
// Remove_From_Last_Open: removes entry index.
bool removeFromLastOpen(Preferences &prefs, int index);
// Moves an entry to the top (a recent entry chosen from the File menu).
bool reopenLastOpened(Preferences &prefs, int index);
// Activate_INI_Data: rebuilds the list from the stored entries, adding the last first.
void activateIniData(Preferences &prefs);

// Display_Last_Opened: the entries the menu shows, all enabled.
QList<RecentEntry> displayLastOpened(const Preferences &prefs);
// The entries as just read from the preferences file: files that no longer exist are disabled.
QList<RecentEntry> recentEntriesAsLoaded(const Preferences &prefs);

} // namespace korvo
