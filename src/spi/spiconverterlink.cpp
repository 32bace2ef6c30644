#include "spi/spiconverterlink.h"

#include "app/clock.h"
#include "link/linkfactory.h"
#include "link/seriallink.h"

#include <algorithm>

namespace korvo {

SpiConverterLink::SpiConverterLink(Clock &clock, LinkFactory &factory, QObject *parent)
    : QObject(parent), m_clock(clock), m_serial(factory.createSerial()),
      m_slot(
          clock, [this](const LinkAction &action) { return apply(action); },
          [this] { return m_serial->hasBytesWaiting(); })
{
    connect(m_serial.get(), &SerialLink::readyRead, this, &SpiConverterLink::onReadyRead);
    connect(m_serial.get(), &SerialLink::lost, this, &SpiConverterLink::onLost);
}

SpiConverterLink::~SpiConverterLink()
{
    m_slot.clear();
    close();
}

void SpiConverterLink::setDevice(const QString &device)
{
    if (device == m_device)
        return;
    close();
    m_device = device;
}

bool SpiConverterLink::isOpen() const
{
    return m_serial->isOpen();
}

void SpiConverterLink::close()
{
    if (m_serial->isOpen())
        m_serial->close();
}

void SpiConverterLink::run(DeviceEngine &engine, bool keepOpen, EngineSlot::EventSink sink)
{
    m_keepOpen = keepOpen;
    m_slot.hold(engine, [this, sink = std::move(sink)](const std::vector<EngineEvent> &events) {
        const auto ending =
            std::find_if(events.begin(), events.end(), [](const EngineEvent &e) { return e.ends(); });
        if (ending != events.end()) {
            m_slot.clear();
            if (!m_keepOpen || ending->is<EngineEvent::Failed>())
                close();
        }
        sink(events);
    });
    engine.start(m_clock.nowMs());
    m_slot.pump();
}

void SpiConverterLink::cancel()
{
    if (DeviceEngine *engine = m_slot.engine()) {
        m_keepOpen = false;
        engine->cancel(m_clock.nowMs());
        m_slot.pump();
    }
    close();
}

bool SpiConverterLink::apply(const LinkAction &action)
{
    DeviceEngine &engine = *m_slot.engine();
    const qint64 now = m_clock.nowMs();
    switch (action.kind) {
    case LinkAction::Kind::SetSettings:
        if (m_serial->isOpen()) {
            if (m_serial->setSettings(action.settings))
                return true;
            engine.linkLost(m_serial->errorString(), now);
        } else if (m_serial->open(m_device, action.settings)) {
            // Whatever the converter said before this job belongs to no one.
            m_serial->readAll();
            return true;
        } else {
            // The link's description already carries the permission hint where one applies.
            engine.linkLost(m_serial->errorString(), now);
        }
        return false;
    case LinkAction::Kind::Write:
    case LinkAction::Kind::WritePaced:
        if (!m_serial->isOpen() || !m_serial->write(action.bytes)) {
            engine.writeFailed(
                m_serial->isOpen() ? m_serial->errorString() : QStringLiteral("Comm Port Not Open"), now);
            return false;
        }
        if (action.kind == LinkAction::Kind::WritePaced)
            engine.outputWritten(now);
        return true;
    }
    return true;
}

void SpiConverterLink::onReadyRead()
{
    const QByteArray data = m_serial->readAll();
    DeviceEngine *engine = m_slot.engine();
    if (!engine || data.isEmpty())
        return;
    engine->bytesReceived(data, m_clock.nowMs());
    m_slot.pump();
}

void SpiConverterLink::onLost(const QString &description)
{
    DeviceEngine *engine = m_slot.engine();
    if (!engine)
        return;
    m_keepOpen = false;
    engine->linkLost(description, m_clock.nowMs());
    m_slot.pump();
}

} // namespace korvo
