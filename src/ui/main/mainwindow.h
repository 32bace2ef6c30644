#pragma once

// mdiKorvo_Term: the single top-level window. It hosts the terminal and edit windows, the menus and the
// toolbar, opens the workspace at start and saves it at exit; commands go to the active child.

#include "childwindow.h"
#include "childwindows.h"
#include "mainmenus.h"

#include <QMainWindow>
#include <QPointer>

class QMdiArea;
class QMdiSubWindow;

namespace korvo {

class AboutDialog;
class CanConfigWindow;
class CommandRouter;
class HelpBrowser;
class MainToolBar;
class RamViewerWindow;
class ShutdownSignals;

class MainWindow : public QMainWindow, public CommandHost
{
    Q_OBJECT
public:
    // Without a factory the real terminal and edit windows are built.
    explicit MainWindow(QWidget *parent = nullptr, ChildWindows::Factory factory = {});
    ~MainWindow() override;

    // Main-window load: placement from the screen, the workspace, then the window is shown.
    void start();
    // Resets the slots, reads the preferences file and reopens its windows.
    void openWorkspace();

    // LoadNewComm: a terminal in the lowest free slot 1..9; nullptr (after telling the user) when none is
    // left.
    QMdiSubWindow *loadNewComm();
    // A new edit window for a document name ("Program" for an untitled one), in the lowest free slot.
    QMdiSubWindow *newEditWindow(const QString &name);

    // mnuFile_Click and the other menus, by item index.
    void fileCommand(int index);
    void runMenu(MenuId menu, int index);
    void toolCommand(const QString &key);
    // The checks before an upload or download, then the transfer dialog.
    void uploadDownload(bool download);
    void showHelpTopic(int topic);
    void showAbout();
    // Get_Options: the options dialog for page 1 (edit window) or 2 (terminal).
    void getOptions(int page);
    // Set_Device_Tips: upload and download tips for a device type and the current transfer target.
    void setDeviceTips(int device);
    // The desktop session is ending: close without prompts, keeping every window's state for next time.
    void endSession();
    // Writes the preferences file; Save Preferences and exit.
    void savePreferences();
    // Asks for another preferences file and saves the workspace there.
    void savePreferencesAs();
    // Redraws the recent-file part of the File menu.
    void showRecentFiles(bool disableMissing = false);

    // CommandHost
    void setToolEnabled(const QString &key, bool enabled) override;
    void setToolTip(const QString &key, const QString &tip) override;
    void setMenuEnabled(MenuCommand command, bool enabled) override;
    void showTerminalMenu(const QPoint &globalPos, bool canCopy) override;

    MainMenus *menus() const { return m_menus; }
    MainToolBar *toolBar() const { return m_toolBar; }
    ChildWindows *children() const { return m_children; }
    QMdiArea *mdiArea() const { return m_area; }
    HelpBrowser *helpBrowser() const;
    AboutDialog *aboutDialog() const;
    // The window of a slot, or nullptr.
    QWidget *childWidget(WindowKind kind, int slot) const;
    double dpi() const;

    // Reports a command whose feature is not in this version.
    static void notAvailable(const QString &name);
    // View, "&Find Comm. Settings" (modal) and "&RAM Viewer" (opens for a Veltor or Fendra terminal, else
    // closes).
    void findCommSettings();
    void toggleRamViewer();

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void onSubWindowActivated(QMdiSubWindow *sub);
    // Records a child window as the active one in the application state; false when sub holds none of ours.
    bool recordActiveChild(QMdiSubWindow *sub);
    // Activates a child and gives the keyboard to its first control that takes focus.
    void focusChild(QMdiSubWindow *sub);
    void refreshCommands();
    void fillWindowMenu(QMenu *menu);
    void viewCommand(int index);
    // View, CAN Configuration: item 0 module, 1 adapter, 2 monitor.
    void openCanWindow(int index);
    void windowCommand(int index);
    void upgrade();
    void applySetupPlacement();
    void storeSetupPlacement();
    void closeHelp();

    QMdiArea *m_area;
    MainMenus *m_menus;
    MainToolBar *m_toolBar;
    ChildWindows *m_children;
    CommandRouter *m_router;
    ShutdownSignals *m_signals;
    QPointer<HelpBrowser> m_help;
    QPointer<RamViewerWindow> m_ramViewer;
    QPointer<AboutDialog> m_about;
    QPointer<CanConfigWindow> m_can;
    bool m_started = false;
    bool m_loadingWorkspace = false;
    bool m_recentPending = false;
    bool m_sessionEnding = false;
};

} // namespace korvo
