#pragma once

// Reading and writing the preferences file: the whole workspace (main-window settings, document styles,
// edit and terminal slots with their function keys, recent files, CAN, SPI, browser and RAM-viewer
// records) to and from the application state.
//
// Reading only fills the state. Applying the main window's placement ([Setup] State, Left, Top, Width,
// Height) and creating the windows of slots 1..docCt and 1..commCt is the main window's job once the
// state is read. Reading never fails: a missing key takes its default, a missing or damaged file gives
// the default workspace (one edit slot, one terminal slot).
//
// Choices where damaged files could hurt: a DocCt beyond the last [Pgm_n] present is lowered to it (at
// least 1) and CommCt to the nine terminal slots, so that a bad count cannot open thousands of windows;
// FGroupCt is kept within 1..kMaxFuncGroups and FGroup within the groups; at most kMaxRecentFiles recent
// files are read.

#include "app/appstate.h"
#include "settings/inifile.h"

namespace korvo {

constexpr int kMaxFuncGroups = 100;
constexpr int kMaxRecentFiles = 99;

// The state's preferences file; a relative path is taken from the start-up folder.
QString prefsPath(const AppState &state);

void readPrefs(const IniFile &ini, AppState &state);
// The file image of the state: [Pgm_n]/[Comm_n] numbered consecutively over the open slots, DocCt and
// CommCt the number of open windows, "RAM Viewer" only in factory mode.
IniFile prefsImage(const AppState &state);

void readIniFile(AppState &state);
// Writes the whole file at once, keeping the previous one as its ".bak" copy. The program ignores a
// failure (nothing is reported); the result is for callers that care.
bool writeIniFile(const AppState &state);

} // namespace korvo
