#pragma once

// The keys and clicks an edit window handles itself, before its editor sees them: Insert toggles
// overwrite, Shift+Delete, Ctrl+Insert and Shift+Insert cut, copy and paste, Alt+Backspace undoes, and the
// right button opens the edit menu where it is released.

#include <QObject>

class QKeyEvent;

namespace korvo {

class EditWindow;

class EditInput : public QObject
{
public:
    // Watches the window's editor and its viewport.
    explicit EditInput(EditWindow &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleKey(QKeyEvent *event);

    EditWindow &m_window;
};

} // namespace korvo
