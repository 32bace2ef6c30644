#pragma once

// The main window's Transfer menu items for the application's capture file: 3 "&Capture", 4 "&Pause
// Capture" / "&Resume Capture", 5 "&Stop Capture".

class QWidget;

namespace korvo {

class MainMenus;

// Runs item 3, 4 or 5: "&Capture" asks for the file ("Select Capture File"), replaces it and turns capture
// on; the pause item toggles without closing the file; "&Stop Capture" closes it.
void runCaptureCommand(int index, QWidget *parent);
// "&Capture" enabled while capture is off and a terminal is active; the pause and stop items shown while
// capture is on, the pause item's caption following the pause.
void showCaptureItems(MainMenus &menus, bool terminalActive);

} // namespace korvo
