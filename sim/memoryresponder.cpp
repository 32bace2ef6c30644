#include "sim/memoryresponder.h"

#include "app/devicecatalogue.h"
#include "transfer/hmiblockcodec.h"

namespace korvo {

MemoryResponder::MemoryResponder(ControllerSim &controller, DeviceMemory memory) : m_memory(std::move(memory))
{
    controller.addPowerHook([this] { m_memory.powerCycled(); });
    if (m_memory.device() == DeviceType::Hmi)
        controller.addByteHook([this](ControllerSim &sim, char byte) { return hmiByte(sim, byte); });
    else
        controller.addLineHandler(
            [this](ControllerSim &sim, const QByteArray &text) { return line(sim, text); });
}

void MemoryResponder::replyLines(ControllerSim &controller, const QList<QByteArray> &lines)
{
    for (const QByteArray &text : lines)
        controller.replyLine(text);
}

bool MemoryResponder::line(ControllerSim &controller, const QByteArray &text)
{
    const QByteArray command = text.trimmed().toLower();
    switch (m_memory.device()) {
    case DeviceType::UKorvo:
        if (command == "print vars") {
            replyLines(controller, m_memory.variablesReply());
            return true;
        }
        if (command == "print flags") {
            replyLines(controller, m_memory.flagsReply());
            return true;
        }
        if (command == "list" || command.startsWith("list ")) {
            replyLines(controller, m_memory.programReply());
            return true;
        }
        break;
    case DeviceType::Q926:
        if (command.startsWith('[')) {
            const QList<QByteArray> numbers = command.mid(1).simplified().split(' ');
            const int count = numbers.size() > 1 ? numbers[1].toInt() : 0;
            replyLines(controller, m_memory.cellsReply(numbers[0].toInt(), count));
            return true;
        }
        break;
    default:
        if (command == "pr al") {
            replyLines(controller, m_memory.variablesReply());
            return true;
        }
        if (command == "l") {
            replyLines(controller, m_memory.programReply());
            return true;
        }
    }
    return m_memory.apply(text);
}

bool MemoryResponder::hmiByte(ControllerSim &controller, char byte)
{
    // ESC address "J" reads a block; the line end after it is part of the command, so nothing is echoed
    // into the block's way. Other bytes go to the controller as they would anyway.
    if (m_hmiLineEnd && (byte == '\r' || byte == '\n'))
        return true;
    m_hmiLineEnd = false;
    if (byte == '\x1b') {
        m_hmiCommand = true;
        m_hmiDigits.clear();
        return true;
    }
    if (!m_hmiCommand)
        return false;
    if (byte >= '0' && byte <= '9' && m_hmiDigits.size() < 6) {
        m_hmiDigits += byte;
        return true;
    }
    m_hmiCommand = false;
    if (byte != 'J')
        return true;
    m_hmiLineEnd = true;
    if (controller.silent())
        return true;
    const int address = m_hmiDigits.toInt();
    const QByteArray data = m_memory.hmiData(address);
    char check = HmiBlockCodec::checkByte(data);
    if (address / 32 + 1 == m_corruptBlock) {
        m_corruptBlock = 0;
        ++check;
    }
    controller.reply(data + check + "\r\n");
    return true;
}

} // namespace korvo
