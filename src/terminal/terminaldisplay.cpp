#include "terminal/terminaldisplay.h"

#include "terminal/terminalscreen.h"

namespace korvo {

TerminalDisplay::TerminalDisplay(TerminalScreen &screen) : m_screen(screen) {}

void TerminalDisplay::receive(const QByteArray &text)
{
    if (text.isEmpty())
        return;
    appendHistory(text);
    displayReceived(text);
}

void TerminalDisplay::displayReceived(const QByteArray &text)
{
    m_screen.write(m_translator.translate(text));
}

void TerminalDisplay::setHistoryLimit(qsizetype limit)
{
    m_historyLimit = std::max<qsizetype>(0, limit);
    appendHistory({});
}

void TerminalDisplay::appendHistory(const QByteArray &text)
{
    if (text.size() > m_historyLimit) {
        m_history = text.last(m_historyLimit + 1);
        return;
    }
    m_history += text;
    if (m_history.size() > m_historyLimit)
        m_history.remove(0, m_history.size() - (m_historyLimit + 1));
}

} // namespace korvo
