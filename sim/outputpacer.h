#pragma once

// Writes a simulated controller's answer, all at once, one character every few milliseconds ("slow"), or
// at the pace of a serial line of a given rate (ten bit times per character).

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace korvo {

class OutputPacer : public QObject
{
    Q_OBJECT
public:
    using Writer = std::function<void(const QByteArray &)>;
    explicit OutputPacer(Writer writer, QObject *parent = nullptr);

    void setCharDelay(int ms) { m_charDelayMs = ms; }
    int charDelay() const { return m_charDelayMs; }
    // Everything leaves at baud / 10 bytes per second (0: as fast as the carrier takes it).
    void setWireRate(int baud) { m_bytesPerSecond = baud / 10; }
    void send(const QByteArray &bytes);
    void clear();
    bool idle() const { return m_pending.isEmpty(); }

private:
    void next();
    void nextOnWire();

    Writer m_writer;
    QByteArray m_pending;
    QTimer m_timer;
    int m_charDelayMs = 0;
    qint64 m_bytesPerSecond = 0;
    QElapsedTimer m_wireClock; // since the line last became busy
    qint64 m_wireSent = 0;     // bytes written since then
};

} // namespace korvo
