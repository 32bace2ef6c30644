#include "spi/spisendengine.h"

#include <algorithm>
#include <cmath>

namespace korvo {

SpiSendEngine::SpiSendEngine(SpiSendOptions options) : m_options(std::move(options))
{
    const int size = int(m_options.message.size());
    m_charIndex = std::clamp(m_options.charIndex, 1, std::max(1, size));
    m_wait = waitMs(m_options.rate);
}

int SpiSendEngine::waitMs(int rate)
{
    if (rate <= 0)
        return 0;
    const qint64 periodUs = qint64(1e6 / rate);
    // std::nearbyint in the default rounding mode rounds half to even: rate 2000 gives 0.
    return int(std::nearbyint(double(periodUs) / 1000.0));
}

void SpiSendEngine::ask(SpiRequest request, State state, qint64 nowMs)
{
    emitEvent(std::move(request));
    m_state = state;
    m_askedAt = nowMs;
}

void SpiSendEngine::start(qint64 nowMs)
{
    if (m_options.message.isEmpty()) {
        finish();
        return;
    }
    if (m_wait > 0)
        sendMessage(nowMs);
    else if (m_options.rate == 0 && !m_options.parallel && !m_options.converterChecked)
        ask({SpiRequest::Kind::CheckVersion, {}}, State::Checking, nowMs);
    else
        stepChar(nowMs);
}

void SpiSendEngine::sendMessage(qint64 nowMs)
{
    ask({SpiRequest::Kind::Message, m_options.message}, State::Message, nowMs);
}

void SpiSendEngine::stepChar(qint64 nowMs)
{
    const int size = int(m_options.message.size());
    SpiRequest request{SpiRequest::Kind::Char, m_options.message.mid(m_charIndex - 1, 1)};
    request.first = m_charIndex == 1;
    request.last = m_charIndex == size;
    ask(std::move(request), State::Char, nowMs);
}

void SpiSendEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    requestDone(data, double(nowMs - m_askedAt), nowMs);
}

void SpiSendEngine::requestDone(const QByteArray &received, double messageMs, qint64 nowMs)
{
    if (isFinished() || (m_state != State::Message && m_state != State::Char))
        return;
    const QByteArray sent =
        m_state == State::Char ? m_options.message.mid(m_charIndex - 1, 1) : m_options.message;
    emitEvent(SpiExchange{sent, received, messageMs, nowMs});
    if (m_state == State::Char) {
        m_charIndex = m_charIndex < m_options.message.size() ? m_charIndex + 1 : 1;
        finish();
        return;
    }
    ++m_sent;
    emitProgress(m_sent, m_options.count);
    if (m_options.count != 0 && m_sent >= m_options.count) {
        finish();
        return;
    }
    // The next message starts one wait after this one started; at once when this one overran.
    m_state = State::Waiting;
    setDeadline(std::max(nowMs, m_askedAt + m_wait));
}

void SpiSendEngine::versionChecked(bool accepted, qint64 nowMs)
{
    if (isFinished() || m_state != State::Checking)
        return;
    if (!accepted) {
        m_versionRefused = true;
        fail(kVersionRefused);
        return;
    }
    m_options.converterChecked = true;
    stepChar(nowMs);
}

void SpiSendEngine::timerFired(qint64 nowMs)
{
    if (isFinished() || m_state != State::Waiting)
        return;
    clearDeadline();
    sendMessage(nowMs);
}

void SpiSendEngine::writeFailed(const QString &reason, qint64 nowMs)
{
    (void)nowMs;
    if (m_state == State::Char)
        m_charIndex = 1;
    fail(reason);
}

void SpiSendEngine::cancel(qint64 nowMs)
{
    (void)nowMs;
    if (isFinished())
        return;
    m_stopped = true;
    finish();
}

} // namespace korvo
