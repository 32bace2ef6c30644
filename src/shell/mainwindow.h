#pragma once

// mdiKorvo_Term: the single top-level window. It hosts the terminal and edit windows, the menus and the
// toolbar built from the command table, and hands every command to the router. It owns the workspace
// (the preferences document, which slots open, where new windows go) and keeps track of the active child.

#include "app/clock.h"
#include "app/programoptions.h"
#include "shell/activechild.h"
#include "shell/childwindows.h"
#include "shell/commandrouter.h"
#include "shell/mainmenus.h"
#include "shell/sessionprompt.h"
#include "shell/workspace.h"
#include "ui/childwindow.h"
#include "ui/filedialogs.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>

class QMdiArea;
class QMdiSubWindow;

namespace korvo {

class AboutDialog;
class CaptureFile;
class SpiCommWindow;
class DocumentCommands;
class ExitSequence;
class SetupPlacement;
class HelpBrowser;
class MainToolBar;
class ToolWindows;

class MainWindow : public QMainWindow, public CommandHost
{
    Q_OBJECT
public:
    // Without a factory the real terminal and edit windows are built. Every question goes to prompt, which
    // outlives the window, and every timer runs on clock.
    MainWindow(const ProgramOptions &options, Prompt &prompt, QWidget *parent = nullptr,
               ChildWindows::Factory factory = {}, Clock &clock = systemClock());
    ~MainWindow() override;

    const ProgramOptions &options() const { return m_options; }
    Clock &clock() const { return m_clock; }
    DocumentCommands &documents() const { return *m_documents; }
    // The capture file that every terminal writes to.
    CaptureFile &capture() const { return *m_capture; }
    // The prompt every window asks through.
    SessionPrompt &prompt() { return m_prompt; }
    // The file dialogs every window opens; tests answer them.
    FileDialogs &fileDialogs() { return m_fileDialogs; }
    Workspace &workspace() { return m_workspace; }
    Preferences &prefs() { return m_workspace.prefs(); }
    const Preferences &prefs() const { return m_workspace.prefs(); }
    const ActiveChild &active() const { return m_active; }

    // Main-window load: placement from the screen, the workspace, then the window is shown and the
    // documents kept from a session that ended under us are offered. False when the session ended meanwhile:
    // the workspace is saved and the program must not run on.
    bool start();
    bool sessionEnding() const;
    // Resets the slots, reads the preferences file and reopens its windows.
    void openWorkspace();

    // LoadNewComm: a terminal in the lowest free slot 1..9; nullptr (after telling the user) when none is
    // left.
    QMdiSubWindow *loadNewComm();
    // A new edit window for a document name ("Program" for an untitled one), in the lowest free slot.
    QMdiSubWindow *newEditWindow(const QString &name);
    // Closes every child window; false when one refused. A refusal known beforehand (a repeating function
    // key) closes nothing. On exit (closingApplication) the slots keep their State so that the next start
    // reopens them, except those of windows that closed before a later one refused while closing: they are
    // gone, and the preferences must say so.
    bool closeChildren(bool closingApplication);

    // Runs a command of the command table as its menu item or toolbar button does.
    void runCommand(Command command);
    // How a feature window makes its command work: the handler replaces "... is not available yet".
    void setCommandHandler(Command command, CommandRouter::Handler handler);

    // Hosts a tool window (CAN, SPI, RAM viewer) in the workspace; it is deleted when it closes.
    QMdiSubWindow *addToolWindow(QWidget *window);
    void showHelpTopic(Command topic);
    void showAbout();
    // Set_Device_Tips: upload and download tips for a device type and the current transfer target.
    void setDeviceTips(DeviceType device);
    // Writes the preferences file (Save Preferences, the options dialog, exit); a failure is told once.
    void savePreferences();
    // Redraws the recent-file part of the File menu.
    void showRecentFiles(bool disableMissing = false);
    // A path opened or saved goes to the top of the recent list, an entry chosen again too; the menu follows.
    void addRecentFile(const QString &path);
    void reopenRecentFile(int entry);
    SpiCommWindow *spiWindow() const;

    // CommandHost
    void setEnabled(Command command, bool enabled) override;
    void setTip(Command command, const QString &tip) override;
    void showTerminalMenu(const QPoint &globalPos, bool canCopy) override;
    void showEditMenu(const QPoint &globalPos) override;
    void childActivated(WindowKind kind, int slot) override;
    void childClosed(WindowKind kind, int slot) override;
    DeviceType deviceFamily() const override;

    MainMenus *menus() const { return m_menus; }
    MainToolBar *toolBar() const { return m_toolBar; }
    ChildWindows *children() const { return m_children; }
    CommandRouter *router() const { return m_router; }
    QMdiArea *mdiArea() const { return m_area; }
    HelpBrowser *helpBrowser() const;
    AboutDialog *aboutDialog() const;
    // The window of a slot, or nullptr.
    QWidget *childWidget(WindowKind kind, int slot) const;
    double dpi() const;

    // Every command's menu item and button for the active kind, then the active child's own report.
    void refreshCommands();

    // Reports a command whose feature is not in this version.
    void notAvailable(const QString &name);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void onSubWindowActivated(QMdiSubWindow *sub);
    // Records a child window as the active one; false when sub holds none of ours.
    bool recordActiveChild(QMdiSubWindow *sub);
    // Activates a child and gives the keyboard to its first control that takes focus.
    void focusChild(QMdiSubWindow *sub);
    void applyEnabled(Command command);

    ProgramOptions m_options;
    Clock &m_clock;
    FileDialogs m_fileDialogs;
    SessionPrompt m_prompt;
    Workspace m_workspace;
    ActiveChild m_active;
    QString m_lastUpgradeFile; // offered first by the next upgrade of this session
    QMdiArea *m_area;
    // A child made after the MDI area, so that it goes after the terminals that write to it.
    CaptureFile *m_capture;
    MainMenus *m_menus;
    MainToolBar *m_toolBar;
    ChildWindows *m_children;
    DocumentCommands *m_documents;
    CommandRouter *m_router;
    ToolWindows *m_tools;
    SetupPlacement *m_placement;
    ExitSequence *m_exit;
    QPointer<HelpBrowser> m_help;
    QPointer<AboutDialog> m_about;
    QSet<Command> m_reported; // commands the active child can run now
    bool m_loadingWorkspace = false;
    bool m_recentPending = false;
};

} // namespace korvo
