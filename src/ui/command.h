#pragma once

// Every command of the main window's menus, toolbar and context menus, and the one table that describes
// them: caption with its mnemonic, shortcut, toolbar icon and tip, which active windows it serves and
// where its menu item sits. Menus, toolbar and router are built from this table; a new command is one
// enum value and one row, in the place of the table where its menu item goes.

#include "app/windowkind.h"

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
    // "&Edit" of a terminal window
    CommCopy,
    CommPaste,
    CommSelectAll,
    Connect,
    Disconnect,
    Snap,
    // Both "&Edit" menus
    Preferences,
    SavePreferences,
    SavePreferencesAs,
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
    LineMonitor,
    // "&Transfer"
    Upload,
    Download,
    Capture,
    PauseCapture,
    StopCapture,
    Verify,
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

// Where a command's item sits: its menus (an item may sit in both "&Edit" menus) or the menu bar itself.
// Within a menu, items follow the order of the table.
enum CommandPlaces : unsigned {
    InFile = 1u << 0,
    InEdit = 1u << 1,         // the edit window's "&Edit"
    InTerminalEdit = 1u << 2, // the terminal's "&Edit"
    InView = 1u << 3,
    InCan = 1u << 4, // View, "&CAN Configuration..."
    InTransfer = 1u << 5,
    InMenuBar = 1u << 6,
    InWindow = 1u << 7,
    InHelp = 1u << 8,
    InHelpTopics = 1u << 9, // Help, "KorvoTerm &Tutorials"
};

enum CommandFlags : unsigned {
    // The active child reports whether it can run the command now (selection, undo, connection);
    // otherwise the menu item follows the active kind alone. Toolbar buttons always follow the report.
    Reported = 1u << 0,
    Checkable = 1u << 1,
    // Shown only in factory mode (-f).
    FactoryOnly = 1u << 2,
    // A separator comes before the item in each of its menus.
    SeparatorBefore = 1u << 3,
};

struct CommandInfo
{
    Command command;
    const char *caption;  // with its "&" mnemonic; empty for a toolbar-only command
    const char *shortcut; // QKeySequence text, empty for none
    const char *icon;     // toolbar key ("new", "con", ...); empty when the command has no button
    const char *tip;      // toolbar tip
    unsigned kinds;       // CommandKinds
    unsigned places;      // CommandPlaces; 0 for a toolbar-only command
    unsigned flags;       // CommandFlags
};

std::span<const CommandInfo> commandTable();
const CommandInfo &commandInfo(Command command);
QString commandCaption(Command command);
// The caption as a feature name: without mnemonic and trailing dots ("CAN Configuration").
QString commandName(Command command);
bool commandAppliesTo(Command command, WindowKind active);

} // namespace korvo
