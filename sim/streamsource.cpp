#include "streamsource.h"

#include <algorithm>

namespace korvo {

namespace {
constexpr int kTickMs = 5;
// As fast as the line takes them: keep this much waiting, so the line never runs dry between ticks.
constexpr qsizetype kFastBacklog = 256 * 1024;
} // namespace

StreamSource::StreamSource(ControllerSim &controller, qint64 rate, Writer write, Backlog backlog,
                           QObject *parent)
    : QObject(parent), m_rate(std::max<qint64>(0, rate)), m_write(std::move(write)),
      m_backlog(std::move(backlog))
{
    m_timer.setInterval(kTickMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &StreamSource::tick);
    controller.addLineHandler(
        [this](ControllerSim &sim, const QByteArray &line) { return onLine(sim, line); });
}

bool StreamSource::onLine(ControllerSim &controller, const QByteArray &line)
{
    const QByteArray command = line.trimmed().toUpper();
    if (command == "STREAM") {
        if (!m_timer.isActive()) {
            m_startSequence = m_sequence;
            m_since.start();
            m_timer.start();
        }
        return true;
    }
    if (command == "STOP") {
        m_timer.stop();
        controller.reply(StreamChecker::trailer(sentBytes()));
        return true;
    }
    return false;
}

QByteArray StreamSource::blocks(qint64 count)
{
    QByteArray out;
    out.reserve(count * StreamChecker::kBlockSize);
    for (qint64 i = 0; i < count; ++i)
        out += StreamChecker::block(m_sequence++);
    return out;
}

void StreamSource::tick()
{
    const qsizetype backlog = m_backlog();
    if (m_rate == 0) {
        if (backlog < kFastBacklog)
            m_write(blocks((kFastBacklog - backlog) / StreamChecker::kBlockSize + 1));
        return;
    }
    const qint64 due = m_rate * m_since.nsecsElapsed() / 1000000000 / StreamChecker::kBlockSize;
    const qint64 count = due - qint64(m_sequence - m_startSequence);
    if (count <= 0)
        return;
    if (backlog > 0) {
        // The line is full: these blocks are gone, as on a serial line whose receiver does not read.
        m_sequence += quint32(count);
        return;
    }
    m_write(blocks(count));
}

} // namespace korvo
