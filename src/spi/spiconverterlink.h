#pragma once

// The serial SPI converter's own port (never a terminal's) and the adapter that carries one converter
// engine at a time to it: it opens the port at the settings the engine asks for and throws away what was
// waiting from before, writes the engine's output, arms its deadline on the Clock and feeds it what arrives.
// When the job ends the port is closed, unless the owner asked to keep it open (single-character mode).

#include "engine/enginebase.h"

#include <QObject>
#include <functional>
#include <memory>

namespace korvo {

class Clock;
class LinkFactory;
class OneShotTimer;
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
    bool isRunning() const { return m_engine != nullptr; }

    // Starts engine; ended runs once when it has finished or failed (possibly before run returns, when the
    // port cannot be opened); a failed job always closes the port. The engine must outlive the job.
    void run(EngineBase &engine, bool keepOpen, std::function<void()> ended);
    // Stops a running job (the engine is cancelled) and closes the port.
    void cancel();
    void close();

private:
    void pump();
    void apply(const LinkAction &action);
    void onReadyRead();
    void onLost(const QString &description);

    Clock &m_clock;
    std::unique_ptr<SerialLink> m_serial;
    std::unique_ptr<OneShotTimer> m_timer;
    QString m_device;
    EngineBase *m_engine = nullptr;
    bool m_keepOpen = false;
    bool m_pumping = false;
    std::function<void()> m_ended;
};

} // namespace korvo
