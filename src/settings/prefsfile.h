#pragma once

// Reading and writing the preferences file: the whole workspace (main-window settings, document styles,
// edit and terminal slots with their function keys, recent files, CAN, SPI, browser and RAM-viewer
// records) to and from the preferences document.
//
// Reading only fills the document. Applying the main window's placement ([Setup] State, Left, Top, Width,
// Height) and creating the windows of slots 1..docCt and 1..commCt is the main window's job once the
// state is read. The "RAM Viewer" record is read and written only in factory mode. Reading never fails: a
// missing key takes its default, a missing or damaged file gives the default workspace (one edit slot, one
// terminal slot).
//
// Choices where damaged files could hurt: a DocCt beyond the last [Pgm_n] present is lowered to it (at
// least 1) and CommCt to the nine terminal slots, so that a bad count cannot open thousands of windows;
// FGroupCt is kept within 1..kMaxFuncGroups and FGroup within the groups; at most kMaxRecentFiles recent
// files are read. Sizes, delays and counts that the Preferences dialog edits are clamped to what it
// allows (settings/prefslimits.h).

#include "settings/inifile.h"
#include "settings/preferences.h"
#include "settings/prefslimits.h"

namespace korvo {

constexpr int kMaxFuncGroups = limits::kFuncGroups.highest;
constexpr int kMaxRecentFiles = limits::kRecentFiles.highest;

// The preferences file in use; a relative path is taken from the start-up folder.
QString prefsPath(const QString &prefFile, const QString &startDir);

void readPrefs(const IniFile &ini, Preferences &state, bool factory);
// The file image of the document, "Ver" being the program's version: [Pgm_n]/[Comm_n] numbered
// consecutively over the open slots, DocCt and CommCt the number of open windows.
IniFile prefsImage(const Preferences &state, const QString &version, bool factory);

// Whether the file may be read and written as the preferences file: it is missing or empty, or one of its
// sections is one the preferences file has ([Setup], [Comm_2], [SPI Configuration]...). A program or any
// other text has none.
bool holdsPreferences(const QString &path);

void readIniFile(const QString &path, Preferences &state, bool factory);
// Writes the whole file at once, keeping the previous one as its ".bak" copy; never over a file that does not
// hold preferences. On failure error (when given) says why, with the system's reason.
bool writeIniFile(const QString &path, const Preferences &state, const QString &version, bool factory,
                  QString *error = nullptr);

} // namespace korvo
