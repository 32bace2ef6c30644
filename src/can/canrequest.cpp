#include "can/canrequest.h"

#include "can/cantext.h"
#include "can/replycollector.h"

namespace korvo {

namespace {
const char *keyOf(CanTarget target, CanCommand command)
{
    switch (command) {
    case CanCommand::PgmCfg:
        return "PGMcfg";
    case CanCommand::GetCfg:
        return "GETcfg";
    case CanCommand::EndCfg:
        return "ENDcfg";
    case CanCommand::ResetPgm:
        return "RESETpgm";
    case CanCommand::SetDNet:
        return "setDNet";
    case CanCommand::SetCan:
        return "setCAN";
    case CanCommand::SetCOpen:
        return "setCOpen";
    case CanCommand::Btr0:
        return "BTR0";
    case CanCommand::Btr1:
        return "BTR1";
    case CanCommand::Gms0:
        return "GMS0";
    case CanCommand::Gms1:
        return "GMS1";
    case CanCommand::Ugml0:
        return "UGML0";
    case CanCommand::Ugml1:
        return "UGML1";
    case CanCommand::Lgml0:
        return "LGML0";
    case CanCommand::Lgml1:
        return "LGML1";
    case CanCommand::Uar0:
        return "UAR0";
    case CanCommand::Uar1:
        return "UAR1";
    case CanCommand::Lar0:
        return "LAR0";
    case CanCommand::Lar1:
        return "LAR1";
    case CanCommand::Xtd:
        return "XTD";
    case CanCommand::Mcfg:
        return "MCFG";
    case CanCommand::Frm:
        return "FRM";
    case CanCommand::LMode:
        return "LMODE";
    case CanCommand::LAddr:
        return "LADDR";
    case CanCommand::LPrmpt:
        return "LPRMPT";
    case CanCommand::Baud:
        return target == CanTarget::Module ? "LBAUD" : "BAUD";
    case CanCommand::CDel:
        return "CDEL";
    case CanCommand::Init:
        return "INIT";
    case CanCommand::Recall:
        return "RECALL";
    case CanCommand::Save:
        return "SAVE";
    case CanCommand::Ver:
        return "VER";
    }
    return "";
}

// The value text, or a null array for commands without one.
QByteArray valueText(CanTarget target, CanCommand command, int value, int frame)
{
    const bool module = target == CanTarget::Module;
    switch (command) {
    case CanCommand::Btr0:
    case CanCommand::Btr1:
        return hexPad(value).toLatin1();
    case CanCommand::Gms0:
    case CanCommand::Gms1:
    case CanCommand::Ugml0:
    case CanCommand::Ugml1:
    case CanCommand::Lgml0:
    case CanCommand::Lgml1:
    case CanCommand::Uar0:
    case CanCommand::Uar1:
    case CanCommand::Lar0:
    case CanCommand::Lar1:
    case CanCommand::Mcfg:
        return (module ? hexPad(value + std::max(frame, 0), 3) : hexPad(value)).toLatin1();
    case CanCommand::Xtd:
        return QByteArray(1, char(48 + value));
    case CanCommand::Frm:
        return QByteArray::number(value).rightJustified(2, '0');
    case CanCommand::LMode:
    case CanCommand::CDel:
        return QByteArray::number(value);
    case CanCommand::LAddr:
    case CanCommand::LPrmpt:
        return QByteArray(1, char(value));
    case CanCommand::Baud:
        return module ? QByteArray::number(value).rightJustified(2, '0')
                      : QByteArray::number(baudFromCode(value));
    default:
        return {};
    }
}
} // namespace

QByteArray canRequest(CanTarget target, CanCommand command, int value, int frame)
{
    const QByteArray key = keyOf(target, command);
    const QByteArray text = valueText(target, command, value, frame);
    const QByteArray assignment = text.isNull() ? key : key + '=' + text;
    if (target == CanTarget::Module)
        return assignment + "\r\n";
    if (frame < 0)
        return ':' + key + '\r';
    QByteArray prefix;
    if (command != CanCommand::Baud)
        prefix = frame == 0 ? QByteArray("C_") : 'M' + QByteArray::number(frame) + '_';
    return ':' + prefix + assignment + '\r';
}

ReplyCollector::Mode canReplyOf(CanCommand command)
{
    switch (command) {
    case CanCommand::GetCfg:
        return ReplyCollector::Lines;
    case CanCommand::Recall:
    case CanCommand::Ver:
        return ReplyCollector::Text;
    default:
        return ReplyCollector::WaitAck;
    }
}

int baudFromCode(int code)
{
    switch (code) {
    case 19:
        return 19200;
    case 38:
        return 38400;
    case 48:
        return 4800;
    case 96:
        return 9600;
    default:
        return 0;
    }
}

int codeFromBaud(int baud)
{
    switch (baud) {
    case 4800:
        return 48;
    case 9600:
        return 96;
    case 19200:
        return 19;
    case 38400:
        return 38;
    case 115200:
        return 11;
    default:
        return 0;
    }
}

} // namespace korvo
