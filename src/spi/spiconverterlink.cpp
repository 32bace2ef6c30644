#include "spi/spiconverterlink.h"

#include "app/clock.h"
#include "link/linkfactory.h"
#include "link/seriallink.h"

#include <algorithm>

namespace korvo {

SpiConverterLink::SpiConverterLink(Clock &clock, LinkFactory &factory, QObject *parent)
    : QObject(parent), m_clock(clock), m_serial(factory.createSerial()), m_timer(clock.createTimer([this] {
          if (m_engine) {
              m_engine->timerFired(m_clock.nowMs());
              pump();
          }
      }))
{
    connect(m_serial.get(), &SerialLink::readyRead, this, &SpiConverterLink::onReadyRead);
    connect(m_serial.get(), &SerialLink::lost, this, &SpiConverterLink::onLost);
}

SpiConverterLink::~SpiConverterLink()
{
    m_engine = nullptr;
    m_ended = nullptr;
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

void SpiConverterLink::run(EngineBase &engine, bool keepOpen, std::function<void()> ended)
{
    m_engine = &engine;
    m_keepOpen = keepOpen;
    m_ended = std::move(ended);
    engine.start(m_clock.nowMs());
    pump();
}

void SpiConverterLink::cancel()
{
    if (m_engine) {
        m_keepOpen = false;
        m_engine->cancel(m_clock.nowMs());
        pump();
    }
    close();
}

void SpiConverterLink::apply(const LinkAction &action)
{
    const qint64 now = m_clock.nowMs();
    switch (action.kind) {
    case LinkAction::Kind::SetSettings:
        if (m_serial->isOpen()) {
            if (!m_serial->setSettings(action.settings))
                m_engine->linkLost(m_serial->errorString(), now);
        } else if (m_serial->open(m_device, action.settings)) {
            // Whatever the converter said before this job belongs to no one.
            m_serial->readAll();
        } else {
            // The link's description already carries the permission hint where one applies.
            m_engine->linkLost(m_serial->errorString(), now);
        }
        break;
    case LinkAction::Kind::Write:
    case LinkAction::Kind::WritePaced:
        if (!m_serial->isOpen() || !m_serial->write(action.bytes))
            m_engine->writeFailed(
                m_serial->isOpen() ? m_serial->errorString() : QStringLiteral("Comm Port Not Open"), now);
        break;
    }
}

void SpiConverterLink::pump()
{
    if (m_pumping || !m_engine)
        return;
    m_pumping = true;
    while (m_engine && !m_engine->isFinished()) {
        const std::vector<LinkAction> actions = m_engine->takeOutput();
        if (actions.empty())
            break;
        for (const LinkAction &action : actions) {
            if (m_engine->isFinished())
                break;
            apply(action);
        }
    }
    m_pumping = false;
    if (m_engine->isFinished()) {
        m_engine->takeOutput();
        m_timer->stop();
        const bool failed = m_engine->hasFailed();
        m_engine = nullptr;
        if (!m_keepOpen || failed)
            close();
        if (auto ended = std::exchange(m_ended, nullptr))
            ended();
        return;
    }
    if (const std::optional<qint64> deadline = m_engine->nextDeadline())
        m_timer->start(int(std::max<qint64>(0, *deadline - m_clock.nowMs())));
    else
        m_timer->stop();
}

void SpiConverterLink::onReadyRead()
{
    const QByteArray data = m_serial->readAll();
    if (!m_engine || data.isEmpty())
        return;
    m_engine->bytesReceived(data, m_clock.nowMs());
    pump();
}

void SpiConverterLink::onLost(const QString &description)
{
    if (!m_engine)
        return;
    m_keepOpen = false;
    m_engine->linkLost(description, m_clock.nowMs());
    pump();
}

} // namespace korvo
