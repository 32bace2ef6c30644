#pragma once

// A terminal window's function keys and capture: the key bar and the runner behind it, the "group",
// "msg" and "capture" panels' behaviour, the window's hooks for F1..F10, Ctrl+F1..F10, closing
// and applied communication settings, and the link's capture sink into the application's capture file.

#include "app/prompt.h"

#include <QObject>

namespace korvo {

class CaptureFile;
class Clock;
class CommWindow;
class FileDialogs;
class FunctionKeyBar;
class FunctionKeyRunner;

class TerminalFunctions : public QObject
{
    Q_OBJECT
public:
    TerminalFunctions(CommWindow &window, Clock &clock, CaptureFile &capture, const FileDialogs &fileDialogs);
    ~TerminalFunctions() override;

    // Fill_Func_Keys: the current group's captions on the bar, its number in the "group" panel, the bar
    // shown or hidden by FKeyEn.
    void fillFuncKeys();
    FunctionKeyBar &bar() const { return *m_bar; }
    FunctionKeyRunner &runner() const { return *m_runner; }

    // Ctrl+F1..F10 or the right button on a key (0..9): the editor on that key, a stop request while a key
    // runs.
    void editKey(int key);
    // "^c": capture to the chosen file, or the default one, unless capture is on already.
    void startCapture();

private:
    void showCaptureState();
    // The "capture" panel's tip: the file that capture writes to.
    QString captureFileTip() const;
    void showMessage(const QString &text);
    void chooseGroup();
    bool mayClose();
    void reportLater(const QString &text, const QString &title, PromptIcon icon);

    CommWindow &m_window;
    CaptureFile &m_capture;
    const FileDialogs &m_fileDialogs;
    FunctionKeyBar *m_bar = nullptr;
    FunctionKeyRunner *m_runner = nullptr;
};

} // namespace korvo
