#include "outputpacer.h"

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
