#pragma once

// The process-wide application state, while windows still reach it: the program's options, the
// preferences document and the run-time state of the main window.

#include "app/programoptions.h"
#include "settings/preferences.h"

namespace korvo {

struct AppState : ProgramOptions, Preferences
{
    int16_t activeDoc = 0;
    int16_t activeComm = 0;
    WindowKind activeKind = WindowKind::None;
    int16_t newSlot = 0;
    int16_t upDnTargetKind = 0; // 2 = a file
    QString upDnFileName;
    QString lineEnd = QStringLiteral("\r");
    QString lineSuffix;
    QString deviceAddress;
    bool closingApplication = false; // child windows keep their State instead of freeing their slot

    // Both slot tables back to the template slot, and no active window.
    void resetSlots();
};

// The one application state of the process.
AppState &app();

} // namespace korvo
