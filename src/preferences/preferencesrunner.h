#pragma once

// Get_Options: shows the "Preferences" dialog over the open windows, hands each applied page to them
// (Set_Editor, Set_Terminal, the function-key bar, captions) and writes the preferences file when the
// dialog has closed, whichever way it closed.

#include "preferences/optionsvalues.h"
#include "settings/preferences.h"

#include <QList>
#include <QWidget>
#include <functional>

namespace korvo {

class Clock;
class PortEnumerator;
class Prompt;

struct PreferencesHost
{
    // The open edit and terminal windows.
    std::function<QList<QWidget *>()> windows;
    // After the general page: the recent-file menu follows the new history settings.
    std::function<void()> historyChanged;
    // Writes the preferences file.
    std::function<void()> save;
    // The machine's serial ports, for the communication settings.
    const PortEnumerator *ports = nullptr;
};

// The document the dialog changes, and the active terminal whose settings it starts from (0: none).
struct PreferencesTarget
{
    Preferences &prefs;
    int activeComm = 0;
};

// request picks the first page and whether the terminal pages offer "Apply to:", whose boxes start from
// applyTo and are kept there however the dialog closes.
void runPreferences(PreferencesRequest request, const PreferencesTarget &target, const PreferencesHost &host,
                    ApplyToWord &applyTo, Clock &clock, Prompt &prompt, QWidget *parent);

// What an applied page does to the document and the windows (the dialog's Apply and OK).
class OptionsDialog;
void applyOptionsPage(const OptionsDialog &dialog, int page, const PreferencesTarget &target,
                      const PreferencesHost &host);

} // namespace korvo
