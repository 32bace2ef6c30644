#pragma once

// The Transfer menu's capture items: "&Capture" chooses the file and starts, "&Pause Capture" /
// "&Resume Capture" toggles, "&Stop Capture" closes the file; and which of them are shown.

#include "app/devicecatalogue.h"

class QWidget;

namespace korvo {

enum class Command;
class CaptureFile;
class FileDialogs;
class Prompt;
class MainMenus;

// family: the device type whose files the capture-file dialog offers first.
void runCaptureCommand(Command command, CaptureFile &capture, const FileDialogs &fileDialogs, Prompt &prompt,
                       DeviceType family, QWidget *parent);
void showCaptureItems(MainMenus &menus, const CaptureFile &capture, bool terminalActive);

} // namespace korvo
