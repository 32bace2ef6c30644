#pragma once

// A terminal's receive dispatcher: everything the link receives passes here once; the receive mode decides
// whether it is displayed (with the history that redraws a resized screen), drives a transfer or is
// collected for the CAN window or the RAM viewer.

#include "comm/displaytranslator.h"

#include <QByteArray>
#include <functional>
#include <vector>

namespace korvo {

class TerminalScreen;

class ReceiveDispatcher
{
public:
    enum Mode {
        Ended = 0,
        Failed = -1,
        Download = 1,
        Upload = 2,
        Terminal = 3,
        IgnoreA = 4,
        IgnoreB = 5,
        WaitAck = 6,
        CanLines = 7,
        WaitPrompt = 8,
        CanLine = 9,
        CanReply = 10,
        RamReply = 11,
    };

    // What the dispatcher needs from its window; empty hooks are skipped.
    struct Hooks
    {
        std::function<int()> mode; // the link's receive mode
        std::function<void(int)> setMode;
        std::function<void()> restartReplyTimer;
        std::function<void(const QByteArray &)> capture;         // set while capture is on
        std::function<void(const QByteArray &)> downloadStep;    // mode 1, after a line end arrived
        std::function<void(const QByteArray &)> uploadCollector; // mode 2
    };

    explicit ReceiveDispatcher(TerminalScreen &screen);

    Hooks &hooks() { return m_hooks; }
    DisplayTranslator &translator() { return m_translator; }

    // One notification's text, as received.
    void receive(const QByteArray &text);
    // Display_Received: writes text to the screen through the translations.
    void displayReceived(const QByteArray &text);

    // Text shown in terminal and download modes, at most limit + 1 bytes (limit = Rows x Columns).
    const QByteArray &history() const { return m_history; }
    void setHistoryLimit(qsizetype limit);
    qsizetype historyLimit() const { return m_historyLimit; }
    void clearHistory() { m_history.clear(); }

    // Collector texts; their owners (upload, CAN window, RAM viewer) read and empty them.
    QByteArray &lineBuffer() { return m_lineBuffer; } // modes 2 and 9
    QByteArray &lastLine() { return m_lastLine; }     // mode 9: the line that ended the wait
    QByteArray &canReply() { return m_canReply; }     // mode 10; mode 9 compares against its first character
    QByteArray &ramReply() { return m_ramReply; }     // mode 11
    // Mode 7: received lines go to canLines[canLineIndex], the index moving on after every LF.
    std::vector<QByteArray> &canLines() { return m_canLines; }
    int &canLineIndex() { return m_canLineIndex; }
    // A new request starts: the line buffer empties.
    void resetCollectors();

private:
    void appendHistory(const QByteArray &text);
    void collectCanLines(const QByteArray &text);
    void collectCanLine(const QByteArray &text);
    void restartReplyTimer();
    void setMode(int mode);

    TerminalScreen &m_screen;
    DisplayTranslator m_translator;
    Hooks m_hooks;
    QByteArray m_history;
    qsizetype m_historyLimit = 32 * 60;
    QByteArray m_lineBuffer;
    QByteArray m_lastLine;
    QByteArray m_canReply;
    QByteArray m_ramReply;
    std::vector<QByteArray> m_canLines;
    int m_canLineIndex = 0;
};

} // namespace korvo
