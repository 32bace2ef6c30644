#pragma once

// What went over a link, for the line monitor and korvo-cli --trace: every chunk of bytes written or read,
// stamped to the microsecond at which the link handed it on or got it, and a marker where a job starts and
// ends. The store keeps the last events in a ring of fixed size, so recording costs a time stamp and a
// shared copy of the chunk the link holds anyway; readers catch up by the running count.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace korvo {

class Clock;

struct TraceEvent
{
    enum class Kind : quint8 { Sent, Received, JobStart, JobEnd };
    qint64 timeUs = 0;
    Kind kind = Kind::Sent;
    QByteArray data; // the bytes of Sent and Received; the job's name (UTF-8) of a marker
};

class LineTrace
{
public:
    static constexpr qsizetype kCapacity = 100'000;

    // Times are taken from clock and counted from now.
    explicit LineTrace(Clock &clock, qsizetype capacity = kCapacity);

    void record(TraceEvent::Kind kind, const QByteArray &data);
    void clear();

    // Events held, oldest first; at most the capacity.
    qsizetype size() const { return qsizetype(m_events.size()); }
    const TraceEvent &at(qsizetype i) const;
    // Every event recorded so far, also those the ring has let go: event number total() - size() is at(0).
    quint64 total() const { return m_total; }

private:
    Clock &m_clock;
    qint64 m_startNs;
    qsizetype m_capacity;
    std::vector<TraceEvent> m_events; // grows to the capacity, then overwritten from m_oldest on
    qsizetype m_oldest = 0;
    quint64 m_total = 0;
};

constexpr qsizetype kTraceRowBytes = 16;

// An event's rows, each with its time (seconds since the trace began, "12.000345") and direction ("TX", "RX",
// "--" for a marker): up to kTraceRowBytes bytes with hex and text side by side (printable ASCII as it is,
// any other byte as '.'), or the marker ("start Upload", "end Upload").
QStringList traceRows(const TraceEvent &event);
// The whole log: one line per row of up to 16 bytes, each with its time and direction, and one per marker.
QByteArray traceLog(const LineTrace &trace);

} // namespace korvo
