#pragma once

// The Transfer menu's capture items: "&Capture" chooses the file and starts, "&Pause Capture" /
// "&Resume Capture" toggles, "&Stop Capture" closes the file; and which of them are shown.

class QWidget;

namespace korvo {

enum class Command;
class MainMenus;

void runCaptureCommand(Command command, QWidget *parent);
void showCaptureItems(MainMenus &menus, bool terminalActive);

} // namespace korvo
