#pragma once

// The Transfer menu's capture items: "&Capture" chooses the file and starts, "&Pause Capture" /
// "&Resume Capture" toggles, "&Stop Capture" closes the file; and which of them are shown.

#include "app/devicecatalogue.h"

class QWidget;

namespace korvo {

enum class Command;
class MainMenus;

// family: the device type whose files the capture-file dialog offers first.
void runCaptureCommand(Command command, DeviceType family, QWidget *parent);
void showCaptureItems(MainMenus &menus, bool terminalActive);

} // namespace korvo
