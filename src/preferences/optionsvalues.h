#pragma once

// The settings the preferences dialog edits, as one plain value, and what each page hands to the running
// windows when it is applied. Loading and applying a page without edits changes nothing, except that the
// communication page always writes the line settings as "<baud>,N,8,1".

#include "settings/preferences.h"

namespace korvo {

enum OptionsPage {
    TextEditorPage = 1,
    ProgramEditorPage = 2,
    TerminalFormatPage = 3,
    CommSettingsPage = 4,
    GeneralPage = 5
};

// "Apply to:" targets of the terminal pages.
enum ApplyTarget { ApplyDefault = 1, ApplyActive = 2, ApplyAllOpen = 4 };

struct OptionsValues
{
    DocStyle text;
    DocStyle program;
    CommWindowSettings terminal; // the active terminal's settings, or the template's without one
    SetupRecord general;
    int applyTo = ApplyActive;

    static OptionsValues load(const Preferences &state, int activeComm);
};

// What the dialog is opened for: the page it shows first, and whether its terminal pages offer "Apply to:".
enum class PreferencesRequest {
    TextEditor,
    TextEditorApplyTo, // the text editor page, with "Apply to:" once a terminal page is chosen
    ProgramEditor,
    TerminalFormat,
    CommSettings,
    General,
};

OptionsPage pageForRequest(PreferencesRequest request);
// "Apply to:" is offered on the terminal pages only for these requests.
bool offersApplyTo(PreferencesRequest request);

// "Apply to:" as the main window keeps it from one opening of the dialog to the next: one word whose bits
// 8, 16 and 32 are the targets (Default, Active, All Open) of a dialog opened for the terminal's format,
// and 64, 128 and 256 those of one opened for its communication settings. A dialog that does not offer the
// choice reaches the active terminal only.
class ApplyToWord
{
public:
    int targets(PreferencesRequest request) const;
    // Keeps what the boxes of a dialog opened for request showed when it closed.
    void setTargets(PreferencesRequest request, int targets);
    int bits() const { return m_bits; }

private:
    static int shift(PreferencesRequest request);

    int m_bits = (ApplyActive << 3) | (ApplyActive << 6);
};

// Terminal format: font, colours, name, grid, scroll-back and cursor.
void copyTerminalFormat(const CommWindowSettings &from, CommWindowSettings &to);
// Communication settings: device, CAN, TCP, port, rate (as "<baud>,N,8,1"), delays, control lines,
// translations and the function-key groups.
void copyCommSettings(const CommWindowSettings &from, CommWindowSettings &to);
// Grows or shrinks a terminal's function-key groups, new ones named "Group" + number with empty keys.
void resizeFunctionGroups(CommWindowSettings &settings, int groups);
// The general page; with file history off the recent-file list is emptied.
void applyGeneral(const SetupRecord &from, Preferences &state);

} // namespace korvo
