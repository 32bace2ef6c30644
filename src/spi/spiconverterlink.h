#pragma once

// The serial SPI converter's own port (never a terminal's) and the adapter that carries one converter
// engine at a time to it through an EngineSlot, by the same rules as a terminal's link: it opens the port at
// the settings the engine asks for and throws away what was waiting from before, writes the engine's output
// (a paced write is out once written, as on any serial port) and feeds it what arrives. When the job ends
// the port is closed, unless the owner asked to keep it open (single-character mode).

#include "engine/engineslot.h"

#include <QObject>
#include <memory>

namespace korvo {

class Clock;
class LinkFactory;
class SerialLink;

class SpiConverterLink : public QObject
{
    Q_OBJECT
public:
    SpiConverterLink(Clock &clock, LinkFactory &factory, QObject *parent = nullptr);
    ~SpiConverterLink() override;

    // The serial device of the converter ("/dev/ttyUSB0", a pty). A change closes the port.
    void setDevice(const QString &device);
    QString device() const { return m_device; }
    bool isOpen() const;
    bool isRunning() const { return m_slot.engine() != nullptr; }

    // Starts engine; sink gets its events. By the time the ending one (finished or failed) arrives, possibly
    // before run returns when the port cannot be opened, the link has let go of the engine, and a failed
    // job has closed the port; the sink may run the next job from there. The engine must outlive the job.
    void run(DeviceEngine &engine, bool keepOpen, EngineSlot::EventSink sink);
    // Stops a running job (the engine is cancelled) and closes the port.
    void cancel();
    void close();

private:
    bool apply(const LinkAction &action);
    void onReadyRead();
    void onLost(const QString &description);

    Clock &m_clock;
    std::unique_ptr<SerialLink> m_serial;
    EngineSlot m_slot;
    QString m_device;
    bool m_keepOpen = false;
};

} // namespace korvo
