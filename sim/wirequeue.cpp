#include "sim/wirequeue.h"

#include "app/clock.h"

#include <algorithm>

namespace korvo {

WireQueue::WireQueue(Clock &clock, Sink sink)
    : m_clock(clock), m_sink(std::move(sink)), m_timer(clock.createTimer([this] { release(); }))
{
}

WireQueue::~WireQueue() = default;

void WireQueue::setRate(int baud)
{
    m_baud = std::max(0, baud);
    m_byteNs = m_baud > 0 ? 10'000'000'000LL / m_baud : 0;
}

void WireQueue::push(const QByteArray &bytes, qint64 writtenNs)
{
    if (bytes.isEmpty())
        return;
    const qint64 now = m_clock.nowNs();
    if (m_byteNs == 0) {
        m_sink(bytes, now);
        return;
    }
    const qint64 start = std::max(writtenNs < 0 ? now : writtenNs, m_lastDueNs);
    m_chunks.push_back({bytes, 0, start + m_byteNs});
    m_lastDueNs = start + bytes.size() * m_byteNs;
    if (!m_releasing && !m_timer->isActive())
        release();
}

void WireQueue::clear()
{
    m_chunks.clear();
    m_timer->stop();
}

void WireQueue::release()
{
    m_releasing = true;
    while (!m_chunks.empty()) {
        const qint64 now = m_clock.nowNs();
        QByteArray arrived;
        qint64 arrivalNs = 0;
        while (!m_chunks.empty() && m_chunks.front().nextDueNs <= now) {
            Chunk &chunk = m_chunks.front();
            const qsizetype count =
                std::min<qsizetype>(chunk.bytes.size() - chunk.done, (now - chunk.nextDueNs) / m_byteNs + 1);
            arrived += chunk.bytes.mid(chunk.done, count);
            arrivalNs = chunk.nextDueNs + (count - 1) * m_byteNs;
            chunk.done += count;
            chunk.nextDueNs += count * m_byteNs;
            if (chunk.done < chunk.bytes.size())
                break;
            m_chunks.pop_front();
        }
        if (!arrived.isEmpty())
            m_sink(arrived, arrivalNs); // may clear or refill the queue
        if (m_chunks.empty())
            break;
        const qint64 waitNs = m_chunks.front().nextDueNs - m_clock.nowNs();
        if (waitNs > 0) {
            m_timer->startNs(waitNs);
            break;
        }
    }
    m_releasing = false;
}

} // namespace korvo
