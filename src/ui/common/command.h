#pragma once

// Every command of the main window's menus, toolbar and context menus, and the one table that describes
// them: caption with its mnemonic, shortcut, toolbar icon and tip, and which active windows it serves.
// Menus, toolbar and router are built from this table; a new command is one enum value and one row.

#include "app/appstate.h"

#include <QString>
#include <span>

namespace korvo {

enum class Command {
    // "&File"
    FileNew,
    FileOpen,
    FileSave,
    FileSaveAs,
    FilePrint,
    LoadPreferences,
    Exit,
    // "&Edit" of an edit window
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    Delete,
    SelectAll,
    Find,
    FindNext,
    Replace,
    // Both "&Edit" menus
    Preferences,
    SavePreferences,
    SavePreferencesAs,
    // "&Edit" of a terminal window
    CommCopy,
    CommPaste,
    CommSelectAll,
    Connect,
    Disconnect,
    Snap,
    // Toolbar only
    Clear,
    // "&View"
    NewEditWindow,
    NewTerminalWindow,
    CanConfiguration,
    CanModule,
    CanDongle,
    CanMonitor,
    SpiCommunications,
    FindCommSettings,
    RamViewer,
    // "&Transfer"
    Upload,
    Download,
    Capture,
    PauseCapture,
    StopCapture,
    // "&Upgrade!"
    Upgrade,
    // "&Window"
    TileHorizontally,
    TileVertically,
    Cascade,
    ArrangeIcons,
    // "&Help"
    HelpTutorials,
    HelpUpgradingFirmware,
    HelpBasicMotion,
    HelpLanguageStructure,
    HelpPraxisCommands,
    HelpErrorCodes,
    HelpFirstProgram,
    About,
    // Not a command: a separator in a menu or toolbar layout.
    Separator,
};

// Active window kinds a command applies to.
enum CommandKinds : unsigned {
    ForNone = 1u << 0,
    ForEdit = 1u << 1,
    ForTerminal = 1u << 2,
    ForWindow = ForEdit | ForTerminal,
    ForAny = ForNone | ForEdit | ForTerminal,
};

enum CommandFlags : unsigned {
    // The active child reports whether it can run the command now (selection, undo, connection);
    // otherwise the menu item follows the active kind alone. Toolbar buttons always follow the report.
    Reported = 1u << 0,
    Checkable = 1u << 1,
    // Shown only in factory mode (-f).
    FactoryOnly = 1u << 2,
};

struct CommandInfo
{
    Command command;
    const char *caption;  // with its "&" mnemonic; empty for a toolbar-only command
    const char *shortcut; // QKeySequence text, empty for none
    const char *icon;     // toolbar key ("new", "con", ...); empty when the command has no button
    const char *tip;      // toolbar tip
    unsigned kinds;       // CommandKinds
    unsigned flags;       // CommandFlags
};

std::span<const CommandInfo> commandTable();
const CommandInfo &commandInfo(Command command);
QString commandCaption(Command command);
// The caption as a feature name: without mnemonic and trailing dots ("CAN Configuration").
QString commandName(Command command);
bool commandAppliesTo(Command command, WindowKind active);

} // namespace korvo
