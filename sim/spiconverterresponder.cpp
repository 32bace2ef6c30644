#include "spiconverterresponder.h"

#include <QTimer>
#include <cmath>

namespace korvo {

SpiConverterResponder::SpiConverterResponder(ControllerSim &controller, QObject *parent) : QObject(parent)
{
    m_clock.start();
    // The converter runs at 19200 only; other rates reach it as noise.
    controller.setOwnBaud(kBaud);
    controller.addByteHook([this](ControllerSim &sim, char byte) {
        take(sim, byte);
        return true;
    });
    // Power off and on: the frame half received and a held chip select are gone.
    controller.addPowerHook([this] {
        m_parser.forget();
        m_held = false;
    });
}

void SpiConverterResponder::take(ControllerSim &controller, char byte)
{
    if (!m_parser.inProgress())
        m_frameStartMs = m_clock.elapsed();
    const std::optional<SpiFrameParser::Item> item = m_parser.take(byte);
    if (!item)
        return;
    if (item->kind == SpiFrameParser::Item::Kind::Command) {
        command(controller, item->bytes);
        return;
    }
    ++m_frames;
    if (!m_held)
        m_slave.select();
    QByteArray out;
    for (const char c : item->bytes)
        out += char(m_slave.exchange(quint8(c)));
    if (!m_held)
        m_slave.deselect();
    if (m_frames == m_shortFrame && !out.isEmpty())
        out.chop(1);
    answer(controller, out, wireMs(int(item->bytes.size())));
}

void SpiConverterResponder::command(ControllerSim &controller, const QByteArray &text)
{
    if (text == "VERS") {
        answer(controller, m_version + '\r', 0);
    } else if (text == "CS0") {
        m_slave.select();
        m_held = true;
    } else if (text == "CS1") {
        m_slave.deselect();
        m_held = false;
    }
}

void SpiConverterResponder::answer(ControllerSim &controller, const QByteArray &bytes, double wireTimeMs)
{
    if (controller.silent() || bytes.isEmpty())
        return;
    const qint64 due = m_frameStartMs + qint64(std::ceil(wireTimeMs));
    const qint64 delay = m_wireTimed ? due - m_clock.elapsed() : 0;
    if (!m_sender || delay <= 0) {
        if (m_sender)
            m_sender(bytes);
        else
            controller.reply(bytes);
        return;
    }
    QTimer::singleShot(int(delay), Qt::PreciseTimer, this, [this, bytes] { m_sender(bytes); });
}

} // namespace korvo
