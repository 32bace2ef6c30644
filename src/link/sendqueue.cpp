#include "link/sendqueue.h"

#include "app/clock.h"
#include "settings/preferences.h"

#include <algorithm>

namespace korvo {

SendQueue::SendQueue(const CommWindowSettings &settings, Clock &clock, Hooks hooks)
    : m_settings(settings), m_hooks(std::move(hooks)), m_paceTimer(clock.createTimer([this] {
          m_paused = false;
          continueSend();
      }))
{
}

SendQueue::~SendQueue() = default;

void SendQueue::push(const QByteArray &data, bool delay, char lineEnd, quint64 owner)
{
    m_queue.push_back({data, delay, lineEnd, owner});
    resume();
}

void SendQueue::resume()
{
    if (m_paused || m_queue.empty())
        return;
    continueSend();
}

void SendQueue::continueSend()
{
    while (!m_paused && !m_queue.empty()) {
        const PendingSend &job = m_queue.front();
        if (m_settings.tcpipEnabled) {
            // Characters whose pause is 0 go out together; a pause is a state that the pace timer ends.
            QByteArray chunk;
            while (m_pos < job.data.size()) {
                const char c = job.data.at(m_pos++);
                chunk += c;
                const int pause =
                    (c == job.lineEnd && job.delay) ? m_settings.lineDelay + 10 : m_settings.charDelay;
                if (pause > 0) {
                    if (!m_hooks.write(chunk))
                        return fail();
                    m_paused = true;
                    m_paceTimer->start(pause);
                    return;
                }
            }
            if (!chunk.isEmpty() && !m_hooks.write(chunk))
                return fail();
        } else if (!m_hooks.write(job.data)) {
            // A serial port keeps the characters in order at its own rate: no pauses.
            return fail();
        }
        const quint64 owner = job.owner;
        m_queue.pop_front();
        m_pos = 0;
        const bool ownerIdle = std::none_of(m_queue.begin(), m_queue.end(),
                                            [owner](const PendingSend &s) { return s.owner == owner; });
        if (owner != 0 && ownerIdle)
            m_hooks.written(owner);
    }
}

void SendQueue::fail()
{
    const quint64 owner = m_queue.front().owner;
    const QString error = m_hooks.writeError();
    // The rest of that sender's queue would fail the same way: drop it without further messages.
    drop(owner);
    m_hooks.failed(owner, error);
    resume();
}

void SendQueue::drop(quint64 owner)
{
    if (!m_queue.empty() && m_queue.front().owner == owner) {
        m_paceTimer->stop();
        m_paused = false;
        m_pos = 0;
    }
    std::erase_if(m_queue, [owner](const PendingSend &s) { return s.owner == owner; });
}

} // namespace korvo
