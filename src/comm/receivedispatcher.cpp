#include "comm/receivedispatcher.h"

#include "app/appstate.h"
#include "comm/terminalscreen.h"

namespace korvo {

ReceiveDispatcher::ReceiveDispatcher(TerminalScreen &screen) : m_screen(screen) {}

void ReceiveDispatcher::receive(const QByteArray &text)
{
    if (m_hooks.capture && !text.isEmpty())
        m_hooks.capture(text);

    const int mode = (m_hooks.mode ? m_hooks.mode() : Terminal) & ~0x1000;
    switch (mode) {
    case Download:
        restartReplyTimer();
        appendHistory(text);
        displayReceived(text);
        if (m_hooks.downloadStep && text.contains(app().lineEnd.toLatin1()))
            m_hooks.downloadStep(text);
        break;
    case Upload:
        restartReplyTimer();
        if (m_hooks.uploadCollector)
            m_hooks.uploadCollector(text);
        break;
    case Terminal:
        if (text.isEmpty())
            return;
        appendHistory(text);
        displayReceived(text);
        break;
    case WaitAck:
        if (text.contains('\x06'))
            setMode(Ended);
        break;
    case CanLines:
        restartReplyTimer();
        collectCanLines(text);
        break;
    case WaitPrompt:
        if (text.contains('*'))
            setMode(Ended);
        break;
    case CanLine:
        restartReplyTimer();
        collectCanLine(text);
        break;
    case CanReply:
        restartReplyTimer();
        m_canReply += text;
        break;
    case RamReply:
        m_ramReply += text;
        break;
    default: // 4 and 5 let the wait run out; the rest have nothing to do
        break;
    }
}

void ReceiveDispatcher::displayReceived(const QByteArray &text)
{
    m_screen.write(m_translator.translate(text));
}

void ReceiveDispatcher::setHistoryLimit(qsizetype limit)
{
    m_historyLimit = std::max<qsizetype>(0, limit);
    appendHistory({});
}

void ReceiveDispatcher::appendHistory(const QByteArray &text)
{
    if (text.size() > m_historyLimit) {
        m_history = text.last(m_historyLimit + 1);
        return;
    }
    m_history += text;
    if (m_history.size() > m_historyLimit)
        m_history.remove(0, m_history.size() - (m_historyLimit + 1));
}

void ReceiveDispatcher::collectCanLines(const QByteArray &text)
{
    for (const char c : text) {
        if (m_canLineIndex < 0 || size_t(m_canLineIndex) >= m_canLines.size())
            break;
        m_canLines[size_t(m_canLineIndex)] += c;
        if (c == '\n')
            ++m_canLineIndex;
    }
}

void ReceiveDispatcher::collectCanLine(const QByteArray &text)
{
    m_lineBuffer += text;
    const qsizetype lf = m_lineBuffer.indexOf('\n');
    if (lf < 0)
        return;
    m_lastLine = m_lineBuffer.left(lf + 1);
    m_lineBuffer.remove(0, lf + 1);
    // The reply belongs to the request when it starts with the character the request was addressed with.
    setMode(m_lastLine.left(1) == m_canReply.left(1) ? Ended : Failed);
}

void ReceiveDispatcher::resetCollectors()
{
    m_lineBuffer.clear();
    m_lastLine.clear();
}

void ReceiveDispatcher::restartReplyTimer()
{
    if (m_hooks.restartReplyTimer)
        m_hooks.restartReplyTimer();
}

void ReceiveDispatcher::setMode(int mode)
{
    if (m_hooks.setMode)
        m_hooks.setMode(mode);
}

} // namespace korvo
