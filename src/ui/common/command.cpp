#include "command.h"

#include <QtGlobal>

namespace korvo {

namespace {
// clang-format off
constexpr CommandInfo kTable[] = {
    {Command::FileNew, "&New...", "Ctrl+N", "new", "New Text File", ForAny, 0},
    {Command::FileOpen, "&Open...", "Ctrl+O", "open", "Open", ForAny, 0},
    {Command::FileSave, "&Save", "Ctrl+S", "save", "Save", ForEdit, 0},
    {Command::FileSaveAs, "S&ave as...", "", "", "", ForWindow, 0},
    {Command::FilePrint, "&Print...", "Ctrl+P", "print", "Print", ForWindow, 0},
    {Command::LoadPreferences, "Load Preferences...", "", "", "", ForAny, 0},
    {Command::Exit, "E&xit", "Ctrl+Q", "", "", ForAny, 0},

    {Command::Undo, "&Undo", "Ctrl+Z", "", "", ForEdit, Reported},
    {Command::Redo, "&Redo", "Ctrl+Shift+Z", "", "", ForEdit, Reported},
    // Their toolbar buttons also serve a terminal's selection.
    {Command::Cut, "Cu&t", "", "cut", "Cut", ForWindow, Reported},
    {Command::Copy, "&Copy", "", "copy", "Copy", ForWindow, Reported},
    {Command::Paste, "&Paste", "", "paste", "Paste", ForWindow, Reported},
    {Command::Delete, "&Delete", "", "", "", ForEdit, Reported},
    {Command::SelectAll, "Select &All", "", "", "", ForEdit, Reported},
    {Command::Find, "&Find...", "Ctrl+F", "", "", ForEdit, Reported},
    {Command::FindNext, "Find &Next", "F3", "", "", ForEdit, Reported},
    {Command::Replace, "R&eplace", "", "", "", ForEdit, Reported},
    {Command::Preferences, "&Preferences...", "", "props", "Properties", ForAny, 0},
    {Command::SavePreferences, "&Save Preferences", "", "", "", ForAny, 0},
    {Command::SavePreferencesAs, "Save Preverences &As...", "", "", "", ForAny, 0},

    // The terminal sends its own Ctrl keys, so its menu only shows them as text (padded to 23 characters).
    {Command::CommCopy, "Copy              Ctl+C", "", "", "", ForTerminal, Reported},
    {Command::CommPaste, "Paste             Ctl+V", "", "", "", ForTerminal, Reported},
    {Command::CommSelectAll, "Select &All       Ctl+A", "", "", "", ForTerminal, Reported},
    {Command::Connect, "Connect", "", "con", "Connect Comm. Port", ForTerminal, Reported},
    {Command::Disconnect, "Disconnect", "", "discon", "Disconnect Comm. Port", ForTerminal, Reported},
    {Command::Snap, "Snap", "", "snap", "Snap Terminal to Size", ForTerminal, Reported},
    {Command::Clear, "", "", "clear", "Clear Terminal Window", ForTerminal, Reported},

    {Command::NewEditWindow, "New &Edit Window", "", "", "", ForAny, 0},
    {Command::NewTerminalWindow, "New &Terminal Window", "", "", "", ForAny, 0},
    {Command::CanConfiguration, "&CAN Configuration...", "", "", "", ForAny, 0},
    {Command::CanModule, "&Module", "", "", "", ForAny, Checkable},
    {Command::CanDongle, "&Dongle", "", "", "", ForAny, Checkable},
    {Command::CanMonitor, "M&onitor", "", "", "", ForAny, Checkable},
    {Command::SpiCommunications, "&SPI Communications", "", "", "", ForAny, Checkable},
    {Command::FindCommSettings, "&Find Comm. Settings", "", "", "", ForAny, Checkable},
    {Command::RamViewer, "&RAM Viewer", "", "", "", ForTerminal, Checkable | FactoryOnly},

    // Upload and Download stay available so that their gate can explain why nothing happens.
    {Command::Upload, "&Upload", "", "upld", "Upload from", ForAny, 0},
    {Command::Download, "&Download", "", "dnld", "Download to", ForAny, 0},
    {Command::Capture, "&Capture", "", "", "", ForTerminal, 0},
    {Command::PauseCapture, "&Pause Capture", "", "", "", ForTerminal, 0},
    {Command::StopCapture, "&Stop Capture", "", "", "", ForTerminal, 0},

    {Command::Upgrade, "&Upgrade!", "", "", "", ForAny, 0},

    {Command::TileHorizontally, "Tile &Horizontally", "", "", "", ForAny, 0},
    {Command::TileVertically, "Tile &Vertically", "", "", "", ForAny, 0},
    {Command::Cascade, "&Cascade", "", "", "", ForAny, 0},
    {Command::ArrangeIcons, "Arrange &Icons", "", "", "", ForAny, 0},

    {Command::HelpTutorials, "&Zel Internet Tutorials...", "", "", "", ForAny, 0},
    {Command::HelpUpgradingFirmware, "Upgrading Firmware", "", "", "", ForAny, 0},
    {Command::HelpBasicMotion, "Basic Motion Commands", "", "", "", ForAny, 0},
    {Command::HelpLanguageStructure, "Praxis Language Structure", "", "", "", ForAny, 0},
    {Command::HelpPraxisCommands, "Praxis Commands", "", "", "", ForAny, 0},
    {Command::HelpErrorCodes, "Error Codes", "", "", "", ForAny, 0},
    {Command::HelpFirstProgram, "First Program", "", "", "", ForAny, 0},
    {Command::About, "&About Zel Terminal", "", "", "", ForAny, 0},
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
