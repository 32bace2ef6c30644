#pragma once

// A terminal window's function keys and capture: the key bar and the runner behind it, the "group",
// "msg" and "capture" panels' behaviour, what F1..F10, Ctrl+F1..F10, closing and applied communication
// settings do to them, and the link's capture sink into the application's capture file.

#include "app/prompt.h"

#include <QObject>
#include <functional>

class QWidget;

namespace korvo {

class CaptureFile;
class Clock;
class CaptureFile;
class CommLink;
class FileDialogs;
class FunctionKeyBar;
class FunctionKeyRunner;
class StatusPanels;
struct CommWindowSettings;

class TerminalFunctions : public QObject
{
    Q_OBJECT
public:
    // The parts of the terminal window the keys work with, and what the window was given for them.
    struct Parts
    {
        QWidget &window;     // parent of the key editor; its title names it when closing waits
        QWidget &keyBarHost; // holds the key bar, hidden without function keys
        QWidget &terminal;   // takes the focus back when a key has run
        CommLink &link;
        StatusPanels &panels;
        std::function<CommWindowSettings &()> settings;
        std::function<void(int group)> setFunctionGroup;
        QString programDir; // where the default capture file goes
        CaptureFile &capture;
        const FileDialogs &fileDialogs;
        Prompt &prompt;
    };

    TerminalFunctions(Parts parts, Clock &clock);
    ~TerminalFunctions() override;

    // Fill_Func_Keys: the current group's captions on the bar, its number in the "group" panel, the bar
    // shown or hidden by FKeyEn.
    void fillFuncKeys();
    FunctionKeyBar &bar() const { return *m_bar; }
    FunctionKeyRunner &runner() const { return *m_runner; }

    // Ctrl+F1..F10 or the right button on a key (0..9): the editor on that key, a stop request while a key
    // runs.
    void editKey(int key);
    // "^c": capture to the chosen file, or the default one, unless capture is on already (a paused
    // capture starts again over its file).
    void startCapture();
    void stopCapture();
    // False, after saying so, while a key repeats.
    bool mayClose();

private:
    void showCaptureState();
    // The "capture" panel's tip: the file that capture writes to.
    QString captureFileTip() const;
    void showMessage(const QString &text);
    void chooseGroup();
    void reportLater(const QString &text, const QString &title, PromptIcon icon);

    Parts m_parts;
    FunctionKeyBar *m_bar = nullptr;
    FunctionKeyRunner *m_runner = nullptr;
};

} // namespace korvo
