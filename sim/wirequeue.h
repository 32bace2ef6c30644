#pragma once

// One direction of a simulated serial line: bytes cross it at baud / 10 per second, each one handed on once
// its ten bit times have passed after it was written or after the byte before it arrived, whichever is
// later. korvo-sim sends both what the program writes and what the controller answers through one, so
// that neither a command nor its reply is quicker than a real line.

#include <QByteArray>
#include <deque>
#include <functional>
#include <memory>

namespace korvo {

class Clock;
class OneShotTimer;

class WireQueue
{
public:
    // Gets the bytes that have arrived and the arrival time (ns on the clock) of the last of them.
    using Sink = std::function<void(const QByteArray &bytes, qint64 arrivalNs)>;
    WireQueue(Clock &clock, Sink sink);
    ~WireQueue();

    // 0: bytes pass at once.
    void setRate(int baud);
    int rate() const { return m_baud; }
    // Bytes written at writtenNs (-1: now). A reply is written when what it answers arrived, even when
    // this queue's timer handed that on a little late.
    void push(const QByteArray &bytes, qint64 writtenNs = -1);
    void clear();
    bool idle() const { return m_chunks.empty(); }

private:
    struct Chunk
    {
        QByteArray bytes;
        qsizetype done = 0;
        qint64 nextDueNs = 0; // arrival of bytes[done]
    };
    void release();

    Clock &m_clock;
    Sink m_sink;
    std::unique_ptr<OneShotTimer> m_timer;
    int m_baud = 0;
    qint64 m_byteNs = 0;
    qint64 m_lastDueNs = 0; // arrival of the last byte queued so far
    std::deque<Chunk> m_chunks;
    bool m_releasing = false;
};

} // namespace korvo
