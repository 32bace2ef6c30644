#pragma once

// Get_Options: shows the "Preferences" dialog over the open windows, hands each applied page to them
// (Set_Editor, Set_Terminal, the function-key bar, captions) and writes the preferences file when the
// dialog has closed, whichever way it closed.

#include "preferences/optionsvalues.h"

#include <QList>
#include <QWidget>
#include <functional>

namespace korvo {

class Clock;

struct PreferencesHost
{
    // The open edit and terminal windows.
    std::function<QList<QWidget *>()> windows;
    // After the general page: the recent-file menu follows the new history settings.
    std::function<void()> historyChanged;
};

// request picks the first page and whether the terminal pages offer "Apply to:".
void runPreferences(PreferencesRequest request, const PreferencesHost &host, Clock &clock, QWidget *parent);

// What an applied page does to the application state and the windows (the dialog's Apply and OK).
class OptionsDialog;
void applyOptionsPage(const OptionsDialog &dialog, int page, const PreferencesHost &host);

} // namespace korvo
