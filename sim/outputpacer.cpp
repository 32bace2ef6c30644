#include "outputpacer.h"

#include <algorithm>

namespace korvo {

OutputPacer::OutputPacer(Writer writer, Clock &clock, QObject *parent)
    : QObject(parent), m_writer(std::move(writer)),
      m_wire(clock, [this](const QByteArray &bytes, qint64) { m_writer(bytes); })
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &OutputPacer::next);
}

void OutputPacer::send(const QByteArray &bytes, qint64 writtenNs)
{
    if (bytes.isEmpty())
        return;
    if (m_wire.rate() > 0) {
        m_wire.push(bytes, writtenNs);
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
    m_wire.clear();
}

void OutputPacer::next()
{
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
