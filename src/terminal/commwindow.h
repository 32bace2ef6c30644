#pragma once

// frmCommWindow: a terminal window inside the main window's MDI area. It owns its link, screen and receive
// dispatcher, and puts the view, the function-key bar and the status panels together; what the user types
// or drops is TerminalInput's, the panels are StatusPanels', the function keys and capture are
// TerminalFunctions'.

#include "settings/preferences.h"
#include "ui/childwindow.h"

#include <QWidget>
#include <functional>
#include <memory>

class QLabel;

namespace korvo {

class CaptureFile;
class Clock;
class FileDialogs;
class Prompt;
class CommLink;
class LinkFactory;
class StatusPanels;
class TerminalDisplay;
class TerminalFunctions;
class TerminalInput;
class TerminalScreen;
class TerminalView;
struct TerminalPrintSource;

class CommWindow : public QWidget, public ChildWindow
{
    Q_OBJECT
public:
    // Set_Terminal items.
    static constexpr int kDisplayItems = 1;
    static constexpr int kCommItems = 2;

    // What the window does on function keys, closing and applied settings; the window points them at its
    // function keys, and tests or the main window may replace them.
    struct Hooks
    {
        std::function<void(int key)> functionKey;     // F1..F10 pressed (1..10)
        std::function<void(int key)> editFunctionKey; // Ctrl+F1..F10: open the function-key editor
        std::function<bool()> mayClose;               // false while a function key runs
        std::function<void()> stopCapture;            // applying the communication settings ends capture
        std::function<void()> openPreferences;        // double click on "comm", "device" or "can"
    };

    // The owner hands the window its slot's settings, which stay in place for the window's life, and the
    // capture file every terminal writes to, the file dialogs, the prompt and the host it reports to, which
    // outlive the window;
    // programDir holds the default capture file.
    CommWindow(int slot, CommWindowSettings &settings, Clock &clock, LinkFactory &factory,
               CaptureFile &capture, const FileDialogs &fileDialogs, Prompt &prompt, CommandHost &host,
               const QString &programDir, QWidget *parent = nullptr);
    ~CommWindow() override;

    bool mayClose() override;

    // ChildWindow
    WindowKind kind() const override { return WindowKind::Terminal; }
    int slot() const override { return m_slot; }
    void updateCommands(CommandHost &host) override;

    CommWindowSettings &settings() const { return m_settings; }
    const QString &programDir() const { return m_programDir; }
    Prompt &prompt() const { return m_prompt; }
    CommLink &link() const { return *m_link; }
    TerminalDisplay &display() const { return *m_display; }
    TerminalScreen &screen() const { return *m_screen; }
    TerminalView &view() const { return *m_view; }
    Hooks &hooks() { return m_hooks; }
    TerminalFunctions &functions() const { return *m_functions; }
    QWidget *functionKeyBar() const { return m_functionBar; }

    // Set_Terminal: bit 1 display (font, colours, grid, translations), bit 2 communication settings.
    void setTerminal(int items);
    // Clear_Comm_Window: screen, scroll-back and history.
    void clearCommWindow();
    void connectComm(bool connect);
    bool isConnected() const;

    // Terminal text for saving: the screen, or scroll-back and screen; lines end with CR LF.
    QString terminalText(bool withScrollBack) const;
    bool hasText() const;
    TerminalPrintSource printSource() const;

    // Edit commands of the menu and toolbar.
    void copySelection();
    void pasteClipboard();
    void selectAll();
    // Shift+Insert: the clipboard to the port in one piece.
    void writeClipboard();
    void showTranslateDialog();
    // Every change of the group shown or of the groups (the "group" panel, the key editor, the settings,
    // the "FuncGrps" menu) comes here: the bar is filled again and functionGroupChanged() follows.
    void setFunctionGroup(int group);

    // Status panels by key: "connect", "comm", "device", "can", "group", "capture", "msg".
    StatusPanels &panels() const;

    // Size_Comm_Window: fits the MDI window around the screen, function-key bar and status bar.
    void sizeCommWindow();
    // Form_Resize: lays the window out again.
    void layoutWindow();

Q_SIGNALS:
    // Selection or clipboard changed: copy and paste commands may have changed.
    void editCommandsChanged();
    // The function-key group shown, or the groups themselves, changed (the "FuncGrps" menu follows).
    void functionGroupChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void wireLink();
    void setCommEdits();
    void updateClipboardCommands(CommandHost &host) const;
    bool isActiveChild() const;
    int windowStateCode() const;
    void applyGrid(bool force);

    int m_slot;
    CommWindowSettings &m_settings;
    QString m_programDir;
    Prompt &m_prompt;
    CommandHost &m_host;
    std::unique_ptr<CommLink> m_link;
    std::unique_ptr<TerminalScreen> m_screen;
    std::unique_ptr<TerminalDisplay> m_display;
    TerminalView *m_view = nullptr;
    QWidget *m_functionBar = nullptr;
    StatusPanels *m_statusBar = nullptr;
    std::unique_ptr<TerminalInput> m_input;
    Hooks m_hooks;
    std::unique_ptr<TerminalFunctions> m_functions; // function keys and capture, behind m_hooks
    bool m_clipboardHasText = false;
    bool m_shown = false;
};

} // namespace korvo
