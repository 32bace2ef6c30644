#include "sim/proberesponder.h"

#include "sim/controllersim.h"

namespace korvo {

namespace {

QByteArray baudCode(int baud)
{
    return QByteArray::number(baud).left(2);
}

// The probe without its leading "*" and the marker byte some probes carry before their line end.
QByteArray bareProbe(QByteArray line)
{
    line = line.trimmed();
    if (line.startsWith('*'))
        line.remove(0, 1);
    while (!line.isEmpty() && uchar(line.back()) >= 0x80)
        line.chop(1);
    return line;
}

} // namespace

void addProbeResponder(ControllerSim &controller)
{
    controller.addLineHandler([](ControllerSim &sim, const QByteArray &line) {
        const QByteArray probe = bareProbe(line);
        const QByteArray code = baudCode(sim.ownBaud());
        switch (sim.device()) {
        case UKorvo:
            if (probe != "print baud 1,\" \",echo 1,\" \",bsy,\" \",ver")
                return false;
            sim.replyLine(code + " 1 0 3.005");
            return true;
        case Veltor:
        case Fendra:
            if (probe == "pr bd,\" \",em,\" \",by,\" \",vr") {
                sim.replyLine(code + " 1 0 2.200");
                return true;
            }
            if (probe == "pr em,\" \",by,\" \",vr") {
                sim.replyLine("1 0 NB2.200");
                return true;
            }
            return false;
        case Norbel:
            if (probe == "pr bd,em,vr") {
                sim.replyLine(code + ",1,2.10");
                return true;
            }
            if (probe == "pr em,vr") {
                sim.replyLine("1,NB2.10");
                return true;
            }
            return false;
        default:
            return false;
        }
    });
}

} // namespace korvo
