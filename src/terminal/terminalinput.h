#pragma once

// What the user gives a terminal window besides its menus: keys typed into the terminal (the terminal's own
// key table for scrolling, copying and pasting, F1..F10 and Ctrl+F1..F10 to the function-key hooks, every
// other key to the device), the clipboard pasted or written with Shift+Insert, and a selection dragged
// out of an edit window. Everything for the device goes through the terminal's link; function keys and
// copying are reported to the window as signals.

#include <QObject>

class QDropEvent;
class QKeyEvent;

namespace korvo {

class CommLink;
class TerminalScreen;
class TerminalView;

class TerminalInput : public QObject
{
    Q_OBJECT
public:
    // Watches view and its viewport; screen gives the page height for scrolling.
    TerminalInput(TerminalView &view, const TerminalScreen &screen, CommLink &link);
    ~TerminalInput() override;

    // The Paste commands: the clipboard's text without the blanks before its line ends, each line sent with
    // CR. Ctrl+V sends the same untrimmed.
    void pasteClipboard();
    // Shift+Insert: the clipboard to the port in one piece.
    void writeClipboard();

Q_SIGNALS:
    // A key was handled: selection or clipboard may have changed.
    void keyHandled();
    // F1..F10 (1..10), and with Ctrl.
    void functionKeyPressed(int key);
    void editFunctionKeyPressed(int key);
    // Ctrl+Insert or Shift+Delete: the selection to the clipboard.
    void copyRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleKey(QKeyEvent *event);
    bool acceptsDrop(const QDropEvent *event) const;
    void sendWithLineEnd(const QString &text, char lineEnd);

    TerminalView &m_view;
    const TerminalScreen &m_screen;
    CommLink &m_link;
};

} // namespace korvo
