#pragma once

// A simulated serial SPI converter with an SPI device (SpiSlave) behind it. It takes over the controller's
// input: each frame is shifted through the device and answered with what the device shifted out, no sooner
// than the frame and its answer would take on a 19200 baud line; "VERS" is answered with the version and a
// CR; "CS0" holds the chip select low across frames and "CS1" releases it. A silent converter answers
// nothing; a short frame N (counted from 1) is answered one byte short.

#include "sim/controllersim.h"
#include "sim/spiframeparser.h"
#include "sim/spislave.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>

namespace korvo {

class SpiConverterResponder : public QObject
{
    Q_OBJECT
public:
    static constexpr int kBaud = 19200;
    // Writes an answer to the program when it is due; without one, answers go out at once.
    using Sender = std::function<void(const QByteArray &bytes)>;

    explicit SpiConverterResponder(ControllerSim &controller, QObject *parent = nullptr);

    void setSender(Sender sender) { m_sender = std::move(sender); }
    void setVersion(const QByteArray &version) { m_version = version; }
    void setShortFrame(int frame) { m_shortFrame = frame; }
    // Answers wait for the line's time (off: at once, for tests that step without an event loop).
    void setWireTimed(bool timed) { m_wireTimed = timed; }

    SpiSlave &slave() { return m_slave; }
    int frames() const { return m_frames; }
    const SpiFrameParser &parser() const { return m_parser; }

    // Milliseconds a frame of n bytes and its answer take at 19200 baud: (2n + 5) characters of 10 bits.
    static double wireMs(int n) { return (2.0 * n + 5) * 10.0 * 1000.0 / kBaud; }

private:
    void take(ControllerSim &controller, char byte);
    void answer(ControllerSim &controller, const QByteArray &bytes, double wireTimeMs);
    void command(ControllerSim &controller, const QByteArray &text);

    SpiFrameParser m_parser;
    SpiSlave m_slave;
    Sender m_sender;
    QByteArray m_version = "2.3";
    int m_shortFrame = 0;
    int m_frames = 0;
    bool m_held = false;
    bool m_wireTimed = true;
    QElapsedTimer m_clock;
    qint64 m_frameStartMs = 0;
};

} // namespace korvo
