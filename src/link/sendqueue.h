#pragma once

// The link's queue of paced writes: the terminal's own traffic (owner 0) and engines' paced output (their
// lease id) go out in order, one send after the other. On a serial port a send is written whole (the port
// keeps the characters in order at its own rate); over TCP characters whose pause is 0 go out together and
// a pause (CharDelay after a character, LineDelay + 10 after a line end when delay is set) is a state that
// the pace timer ends. The queue never blocks.

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

namespace korvo {

struct CommWindowSettings;
class Clock;
class OneShotTimer;

class SendQueue
{
public:
    struct Hooks
    {
        std::function<bool(const QByteArray &bytes)> write; // false on error
        std::function<QString()> writeError;                // the link's description of it
        std::function<void(quint64 owner)> written;         // the owner's last queued send is out
        std::function<void(quint64 owner, const QString &error)> failed; // its queue is dropped already
    };
    // settings is the terminal's slot record (link kind and pauses are read at each character).
    SendQueue(const CommWindowSettings &settings, Clock &clock, Hooks hooks);
    ~SendQueue();

    void push(const QByteArray &data, bool delay, char lineEnd, quint64 owner);
    bool isEmpty() const { return m_queue.empty(); }
    // Drops everything owner queued; a pause of its send in progress ends. The next send waits for resume().
    void drop(quint64 owner);
    // Goes on with the next send unless a pause is running.
    void resume();

private:
    struct PendingSend
    {
        QByteArray data;
        bool delay = false;
        char lineEnd = '\r';
        quint64 owner = 0;
    };
    void continueSend();
    void fail();

    const CommWindowSettings &m_settings;
    Hooks m_hooks;
    std::unique_ptr<OneShotTimer> m_paceTimer;
    std::deque<PendingSend> m_queue;
    qsizetype m_pos = 0;
    bool m_paused = false;
};

} // namespace korvo
