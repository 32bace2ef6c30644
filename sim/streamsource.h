#pragma once

// A controller that streams: after the command line "STREAM" it sends sequenced blocks (StreamChecker's
// format) at a fixed byte rate, or as fast as the line takes them, until the command line "STOP", which it
// answers with the trailer that counts the stream bytes sent. At a fixed rate it behaves like a device on
// a serial line: blocks that find the line still full are lost, not held back, and still counted.

#include "sim/controllersim.h"
#include "sim/streamchecker.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace korvo {

class StreamSource : public QObject
{
    Q_OBJECT
public:
    using Writer = std::function<void(const QByteArray &bytes)>;
    using Backlog = std::function<qsizetype()>; // bytes written but not yet taken by the line

    // rate in bytes per second; 0: as fast as the line takes them.
    StreamSource(ControllerSim &controller, qint64 rate, Writer write, Backlog backlog,
                 QObject *parent = nullptr);

    bool streaming() const { return m_timer.isActive(); }
    qint64 sentBytes() const { return qint64(m_sequence) * StreamChecker::kBlockSize; }

private:
    bool onLine(ControllerSim &controller, const QByteArray &line);
    void tick();
    QByteArray blocks(qint64 count);

    qint64 m_rate;
    Writer m_write;
    Backlog m_backlog;
    QTimer m_timer;
    QElapsedTimer m_since;
    quint32 m_sequence = 0;
    quint32 m_startSequence = 0;
};

} // namespace korvo
