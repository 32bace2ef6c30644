#pragma once

// Carries Run_SPI_Send to a transport: the exchanges the send engine asks for go to the parallel port (bit
// by bit, at once) or to the serial SPI converter (one converter engine per exchange, on the converter's own
// port), the engine is pumped by an EngineSlot as on a link, and what happened is reported as signals. The
// window and korvo-cli drive SPI through it. The converter's accepted version is remembered until the device
// changes.

#include "engine/engineslot.h"
#include "spi/spicalibration.h"
#include "spi/spisendengine.h"

#include <QObject>
#include <memory>

namespace korvo {

class Clock;
class LinkFactory;
class ParallelPort;
class SpiConverterEngine;
class SpiConverterLink;

class SpiSession : public QObject
{
    Q_OBJECT
public:
    SpiSession(Clock &clock, LinkFactory &factory, QObject *parent = nullptr);
    ~SpiSession() override;

    // The parallel port (opened by the owner, who keeps it) with its calibration.
    void useParallel(ParallelPort *port, const SpiCalibration &calibration);
    // The converter on a serial device.
    void useConverter(const QString &device);
    bool usesParallel() const { return m_parallel != nullptr; }

    // One press of Send; options.parallel and options.converterChecked are filled in here.
    void send(SpiSendOptions options);
    // Stop: ends the run at once (an exchange under way on the converter is dropped, its port closed).
    void stop();
    bool isSending() const { return m_engine != nullptr; }
    // The byte the next one-byte step exchanges.
    int charIndex() const { return m_charIndex; }
    void resetCharIndex() { m_charIndex = 1; }
    // Closes the converter's port (the window closes, the port changes).
    void closeConverter();

Q_SIGNALS:
    void exchanged(const korvo::SpiExchange &exchange);
    void progress(int sent, int count);
    // The run ended: failure is empty when it finished or was stopped; versionRefused marks the failure
    // of a converter without single-character mode.
    void ended(const QString &failure, bool versionRefused);

private:
    // What the send engine said in one step: exchanges and progress go out as signals, the exchange it asks
    // for is carried, and its end ends the run.
    void stepped(const std::vector<EngineEvent> &events);
    void carry(const SpiRequest &request);
    void converterDone();

    Clock &m_clock;
    std::unique_ptr<SpiConverterLink> m_converter;
    EngineSlot m_slot; // pumps the send engine and arms its deadline, as a link does
    ParallelPort *m_parallel = nullptr;
    SpiCalibration m_calibration;
    bool m_converterChecked = false;
    std::unique_ptr<SpiSendEngine> m_engine;
    std::unique_ptr<SpiConverterEngine> m_job;
    qint64 m_jobStart = 0;
    int m_charIndex = 1;
};

} // namespace korvo
