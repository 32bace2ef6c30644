#pragma once

// Writes a simulated controller's answer, all at once, one character every few milliseconds ("slow"), or
// at the pace of a serial line of a given rate (ten bit times per character).

#include "sim/lineclock.h"
#include "sim/wirequeue.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

namespace korvo {

class OutputPacer : public QObject
{
    Q_OBJECT
public:
    using Writer = std::function<void(const QByteArray &)>;
    explicit OutputPacer(Writer writer, Clock &clock = lineClock(), QObject *parent = nullptr);

    void setCharDelay(int ms) { m_charDelayMs = ms; }
    int charDelay() const { return m_charDelayMs; }
    // Everything leaves at baud / 10 bytes per second (0: as fast as the carrier takes it).
    void setWireRate(int baud) { m_wire.setRate(baud); }
    // writtenNs: when the controller wrote them (on the clock; -1: now), as WireQueue::push.
    void send(const QByteArray &bytes, qint64 writtenNs = -1);
    void clear();
    bool idle() const { return m_pending.isEmpty() && m_wire.idle(); }

private:
    void next();

    Writer m_writer;
    QByteArray m_pending;
    QTimer m_timer;
    int m_charDelayMs = 0;
    WireQueue m_wire;
};

} // namespace korvo
