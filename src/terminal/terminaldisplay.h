#pragma once

// What a terminal shows of the bytes its link hands it: the display translations onto the screen, and the
// history of shown text from which a resized screen is drawn again. Device dialogues never reach it: the
// link gives their bytes to the attached engine (and here only when the engine shows them, as a
// download's echo).

#include "terminal/displaytranslator.h"

#include <QByteArray>

namespace korvo {

class TerminalScreen;

class TerminalDisplay
{
public:
    explicit TerminalDisplay(TerminalScreen &screen);

    DisplayTranslator &translator() { return m_translator; }

    // One notification's text, as received: kept in the history and shown.
    void receive(const QByteArray &text);
    // Display_Received: writes text to the screen through the translations.
    void displayReceived(const QByteArray &text);

    // Text shown, at most limit + 1 bytes (limit = Rows x Columns).
    const QByteArray &history() const { return m_history; }
    void setHistoryLimit(qsizetype limit);
    qsizetype historyLimit() const { return m_historyLimit; }
    void clearHistory() { m_history.clear(); }

private:
    void appendHistory(const QByteArray &text);

    TerminalScreen &m_screen;
    DisplayTranslator m_translator;
    QByteArray m_history;
    qsizetype m_historyLimit = 32 * 60;
};

} // namespace korvo
