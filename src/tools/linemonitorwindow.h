#pragma once

// "Line Monitor": what goes over a terminal's link, live: every chunk both ways with its time, direction
// colour, hex and text, and where each job starts and ends; "Save" writes the log as text. While open the
// window's trace is the link's, so the link only stamps and keeps what it handles; the view catches up on
// a timer, never from inside the link.

#include "app/prompt.h"
#include "link/linetrace.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace korvo {

class Clock;
class CommLink;
class FileDialogs;

class LineMonitorWindow : public QWidget
{
    Q_OBJECT
public:
    LineMonitorWindow(Clock &clock, const FileDialogs &dialogs, Prompt &prompt, QWidget *parent = nullptr);
    ~LineMonitorWindow() override;

    // The terminal whose link is watched; the trace starts anew with it.
    void setTerminal(CommLink *link);
    // Shows what the link recorded since the last call (the timer calls it).
    void refresh();
    // "Save": asks for a file and writes the log whole; false when cancelled or failed (reported).
    bool save();
    QString viewText() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void detachTrace();

    const FileDialogs &m_dialogs;
    Prompt &m_prompt;
    LineTrace m_trace;
    QPointer<CommLink> m_link;
    quint64 m_shown = 0; // events of the trace already in the view
    QTimer m_refresh;
    QPlainTextEdit *m_view = nullptr;
    QLabel *m_status = nullptr;
};

} // namespace korvo
