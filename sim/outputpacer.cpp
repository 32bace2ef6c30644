#include "outputpacer.h"

#include <algorithm>

namespace korvo {

OutputPacer::OutputPacer(Writer writer, QObject *parent) : QObject(parent), m_writer(std::move(writer))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &OutputPacer::next);
}

void OutputPacer::send(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_bytesPerSecond > 0) {
        if (m_pending.isEmpty() && !m_timer.isActive()) {
            m_wireClock.start();
            m_wireSent = 0;
        }
        m_pending += bytes;
        if (!m_timer.isActive())
            nextOnWire();
        return;
    }
    if (m_charDelayMs <= 0 && m_pending.isEmpty()) {
        m_writer(bytes);
        return;
    }
    m_pending += bytes;
    if (!m_timer.isActive())
        next();
}

void OutputPacer::clear()
{
    m_pending.clear();
    m_timer.stop();
}

void OutputPacer::nextOnWire()
{
    // A byte arrives once its ten bit times have passed.
    const qint64 elapsedNs = m_wireClock.nsecsElapsed();
    const qint64 due = elapsedNs * m_bytesPerSecond / 1'000'000'000 - m_wireSent;
    if (due > 0) {
        const qsizetype count = std::min<qsizetype>(due, m_pending.size());
        m_writer(m_pending.left(count));
        m_pending.remove(0, count);
        m_wireSent += count;
    }
    if (m_pending.isEmpty())
        return;
    const qint64 nextNs = (m_wireSent + 1) * 1'000'000'000 / m_bytesPerSecond;
    m_timer.start(int(std::max<qint64>(1, (nextNs - elapsedNs + 999'999) / 1'000'000)));
}

void OutputPacer::next()
{
    if (m_bytesPerSecond > 0) {
        nextOnWire();
        return;
    }
    if (m_pending.isEmpty())
        return;
    if (m_charDelayMs <= 0) {
        m_writer(std::exchange(m_pending, QByteArray()));
        return;
    }
    const QByteArray first = m_pending.left(1);
    m_pending.remove(0, 1);
    m_writer(first);
    if (!m_pending.isEmpty())
        m_timer.start(m_charDelayMs);
}

} // namespace korvo
