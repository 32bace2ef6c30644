#include "sim/ramresponder.h"

#include "sim/controllersim.h"

namespace korvo {

namespace {

constexpr int kCounterAddress = 3;

struct RamState
{
    QByteArray memory = [] {
        QByteArray bytes(0x10000, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7 + (i >> 8)) & 0xFF);
        return bytes;
    }();
    int echoMode = 1;
    int start = 0;
    int countLess1 = 0;
};

// "Name=value" with a decimal value; false when the line is something else.
bool assignment(const QByteArray &line, const char *name, int *value)
{
    const QByteArray prefix = QByteArray(name) + '=';
    if (!line.startsWith(prefix))
        return false;
    bool ok = false;
    *value = line.mid(prefix.size()).trimmed().toInt(&ok);
    return ok;
}

} // namespace

QByteArray ramDumpRows(const QByteArray &memory, int start, int count)
{
    QByteArray text;
    for (int row = 0; row * 16 < count; ++row) {
        const int rowAddress = (start + 16 * row) & 0xFFFF;
        text += QByteArray::number(rowAddress, 16).toUpper().rightJustified(4, '0') + "   ";
        for (int i = 0; i < 16 && row * 16 + i < count; ++i) {
            if (i == 8)
                text += ' ';
            const uchar byte = uchar(memory.at((rowAddress + i) & 0xFFFF));
            text += ' ' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        }
        text += "\r\n";
    }
    return text;
}

void addRamResponder(ControllerSim &controller)
{
    auto state = std::make_shared<RamState>();
    controller.addLineHandler([state](ControllerSim &sim, const QByteArray &line) {
        if (sim.device() != Veltor && sim.device() != Fendra)
            return false;
        const QByteArray command = line.trimmed();
        int value = 0;
        if (command.compare("pr em", Qt::CaseInsensitive) == 0) {
            sim.replyLine(QByteArray::number(state->echoMode));
        } else if (assignment(command, "Em", &value)) {
            state->echoMode = value;
            sim.setEchoing(value != 2);
        } else if (assignment(command, "Ft", &value)) {
            // Output formatting of the controller: nothing to model.
        } else if (assignment(command, "R1", &value)) {
            state->start = value & 0xFFFF;
        } else if (assignment(command, "R2", &value)) {
            state->countLess1 = value;
        } else if (command.compare("PR Pk", Qt::CaseInsensitive) == 0) {
            state->memory[kCounterAddress] = char(state->memory.at(kCounterAddress) + 1);
            sim.reply(ramDumpRows(state->memory, state->start, state->countLess1 + 1));
        } else {
            return false;
        }
        return true;
    });
}

} // namespace korvo
