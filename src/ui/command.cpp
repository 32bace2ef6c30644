#include "command.h"

#include <QtGlobal>

namespace korvo {

namespace {
// clang-format off
constexpr CommandInfo kTable[] = {
    {Command::FileNew, "&New...", "Ctrl+N", "new", "New Text File", ForAny, InFile, 0},
    {Command::FileOpen, "&Open...", "Ctrl+O", "open", "Open", ForAny, InFile, 0},
    {Command::FileSave, "&Save", "Ctrl+S", "save", "Save", ForEdit, InFile, 0},
    {Command::FileSaveAs, "S&ave as...", "", "", "", ForWindow, InFile, 0},
    {Command::FilePrint, "&Print...", "Ctrl+P", "print", "Print", ForWindow, InFile, 0},
    {Command::LoadPreferences, "&Load Preferences...", "", "", "", ForAny, InFile, SeparatorBefore},
    {Command::Exit, "E&xit", "Ctrl+Q", "", "", ForAny, InFile, SeparatorBefore},

    {Command::Undo, "&Undo", "Ctrl+Z", "", "", ForEdit, InEdit, Reported},
    {Command::Redo, "&Redo", "Ctrl+Shift+Z", "", "", ForEdit, InEdit, Reported},
    // Their toolbar buttons also serve a terminal's selection.
    {Command::Cut, "Cu&t", "", "cut", "Cut", ForWindow, InEdit, Reported | SeparatorBefore},
    {Command::Copy, "&Copy", "", "copy", "Copy", ForWindow, InEdit, Reported},
    {Command::Paste, "&Paste", "", "paste", "Paste", ForWindow, InEdit, Reported},
    {Command::Delete, "&Delete", "", "", "", ForEdit, InEdit, Reported},
    {Command::SelectAll, "Se&lect All", "", "", "", ForEdit, InEdit, Reported},
    {Command::Find, "&Find...", "Ctrl+F", "", "", ForEdit, InEdit, Reported | SeparatorBefore},
    {Command::FindNext, "Find &Next", "F3", "", "", ForEdit, InEdit, Reported},
    {Command::Replace, "R&eplace", "", "", "", ForEdit, InEdit, Reported},

    // The terminal sends its own Ctrl keys, so its menu only shows them as text (padded to 23 characters).
    {Command::CommCopy, "&Copy             Ctl+C", "", "", "", ForTerminal, InTerminalEdit, Reported},
    {Command::CommPaste, "&Paste            Ctl+V", "", "", "", ForTerminal, InTerminalEdit, Reported},
    {Command::CommSelectAll, "Se&lect All       Ctl+A", "", "", "", ForTerminal, InTerminalEdit, Reported},
    {Command::Connect, "C&onnect", "", "con", "Connect Comm. Port", ForTerminal, InTerminalEdit, Reported | SeparatorBefore},
    {Command::Disconnect, "&Disconnect", "", "discon", "Disconnect Comm. Port", ForTerminal, InTerminalEdit, Reported},
    {Command::Snap, "S&nap", "", "snap", "Snap Terminal to Size", ForTerminal, InTerminalEdit, Reported | SeparatorBefore},

    {Command::Preferences, "Preference&s...", "", "props", "Properties", ForAny, InEdit | InTerminalEdit, SeparatorBefore},
    {Command::SavePreferences, "Sa&ve Preferences", "", "", "", ForAny, InEdit | InTerminalEdit, SeparatorBefore},
    {Command::SavePreferencesAs, "Save Preferences &As...", "", "", "", ForAny, InEdit | InTerminalEdit, 0},

    {Command::Clear, "", "", "clear", "Clear Terminal Window", ForTerminal, 0, Reported},

    {Command::NewEditWindow, "New &Edit Window", "", "", "", ForAny, InView, 0},
    {Command::NewTerminalWindow, "New &Terminal Window", "", "", "", ForAny, InView, 0},
    {Command::CanConfiguration, "&CAN Configuration...", "", "", "", ForAny, InView, SeparatorBefore},
    {Command::CanModule, "&Module", "", "", "", ForAny, InCan, Checkable},
    {Command::CanDongle, "&Dongle", "", "", "", ForAny, InCan, Checkable},
    {Command::CanMonitor, "M&onitor", "", "", "", ForAny, InCan, Checkable},
    {Command::SpiCommunications, "&SPI Communications", "", "", "", ForAny, InView, Checkable | SeparatorBefore},
    {Command::FindCommSettings, "&Find Comm. Settings", "", "", "", ForAny, InView, Checkable | SeparatorBefore},
    {Command::RamViewer, "&RAM Viewer", "", "", "", ForTerminal, InView, Checkable | FactoryOnly | SeparatorBefore},
    {Command::LineMonitor, "&Line Monitor", "", "", "", ForTerminal, InView, Checkable},

    // Upload and Download stay available so that their gate can explain why nothing happens.
    {Command::Upload, "&Upload", "", "upld", "Upload from", ForAny, InTransfer, 0},
    {Command::Download, "&Download", "", "dnld", "Download to", ForAny, InTransfer, 0},
    {Command::Capture, "&Capture", "", "", "", ForTerminal, InTransfer, SeparatorBefore},
    {Command::PauseCapture, "&Pause Capture", "", "", "", ForTerminal, InTransfer, 0},
    {Command::StopCapture, "&Stop Capture", "", "", "", ForTerminal, InTransfer, 0},
    // Compares a listing with what the device holds now; available exactly when Upload and Download are.
    {Command::Verify, "&Verify", "", "", "", ForAny, InTransfer, SeparatorBefore},

    {Command::Upgrade, "&Upgrade!", "", "", "", ForAny, InMenuBar, 0},

    {Command::TileHorizontally, "Tile &Horizontally", "", "", "", ForAny, InWindow, 0},
    {Command::TileVertically, "Tile &Vertically", "", "", "", ForAny, InWindow, 0},
    {Command::Cascade, "&Cascade", "", "", "", ForAny, InWindow, 0},
    {Command::ArrangeIcons, "Arrange &Icons", "", "", "", ForAny, InWindow, 0},

    {Command::HelpTutorials, "KorvoTerm &Tutorials", "", "", "", ForAny, InHelp, 0},
    {Command::HelpUpgradingFirmware, "&Upgrading Firmware", "", "", "", ForAny, InHelpTopics, 0},
    {Command::HelpBasicMotion, "&Basic Motion Commands", "", "", "", ForAny, InHelpTopics, 0},
    {Command::HelpLanguageStructure, "Praxis &Language Structure", "", "", "", ForAny, InHelpTopics, 0},
    {Command::HelpPraxisCommands, "&Praxis Commands", "", "", "", ForAny, InHelpTopics, 0},
    {Command::HelpErrorCodes, "&Error Codes", "", "", "", ForAny, InHelpTopics, 0},
    {Command::HelpFirstProgram, "&First Program", "", "", "", ForAny, InHelpTopics, 0},
    {Command::About, "&About KorvoTerm", "", "", "", ForAny, InHelp, SeparatorBefore},
};
// clang-format on

constexpr bool inEnumOrder()
{
    for (std::size_t i = 0; i < std::size(kTable); ++i) {
        if (static_cast<std::size_t>(kTable[i].command) != i)
            return false;
    }
    return std::size(kTable) == static_cast<std::size_t>(Command::Separator);
}
static_assert(inEnumOrder(), "one row per command, in the order of the enum");

unsigned kindBit(WindowKind kind)
{
    switch (kind) {
    case WindowKind::Edit:
        return ForEdit;
    case WindowKind::Terminal:
        return ForTerminal;
    default:
        return ForNone;
    }
}
} // namespace

std::span<const CommandInfo> commandTable()
{
    return kTable;
}

const CommandInfo &commandInfo(Command command)
{
    Q_ASSERT(command != Command::Separator);
    return kTable[static_cast<std::size_t>(command)];
}

QString commandCaption(Command command)
{
    return QString::fromLatin1(commandInfo(command).caption);
}

QString commandName(Command command)
{
    QString name = commandCaption(command).remove(QLatin1Char('&'));
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return name;
}

bool commandAppliesTo(Command command, WindowKind active)
{
    return (commandInfo(command).kinds & kindBit(active)) != 0;
}

} // namespace korvo
