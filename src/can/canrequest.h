#pragma once

// The CAN configuration command set: the request text of each command for the module (key=value, CR LF)
// and for the adapter and monitor (":" prefix, CR), the reply collector each one is read with, and the
// serial-rate codes of the records.

#include "can/replycollector.h"

#include <QByteArray>

namespace korvo {

enum class CanTarget { Module = 0, Dongle = 1, Monitor = 2 };

enum class CanCommand {
    PgmCfg = 1,
    GetCfg = 2,
    EndCfg = 3,
    ResetPgm = 4,
    SetDNet = 5,
    SetCan = 6,
    SetCOpen = 7,
    Btr0 = 10,
    Btr1 = 11,
    Gms0 = 12,
    Gms1 = 13,
    Ugml0 = 14,
    Ugml1 = 15,
    Lgml0 = 16,
    Lgml1 = 17,
    Uar0 = 18,
    Uar1 = 19,
    Lar0 = 20,
    Lar1 = 21,
    Xtd = 22,
    Mcfg = 23,
    Frm = 24,
    LMode = 25,
    LAddr = 26,
    LPrmpt = 27,
    Baud = 28,
    CDel = 29,
    Init = 30,
    Recall = 31,
    Save = 32,
    Ver = 33,
};

constexpr char kEnquiry = '\x05';

// bSend_CAN_Cmd's request text. frame < 0: the command alone; for the adapter 0 is the "C_" prefix and
// n > 0 "Mn_"; for the module the frame is added to register values (n x 256 names message frame n).
QByteArray canRequest(CanTarget target, CanCommand command, int value, int frame);
// The receive mode its reply is collected with (ReplyCollector: 6 acknowledge, 7 lines, 10 text).
ReplyCollector::Mode canReplyOf(CanCommand command);

// lBaud_From_Code: 19 -> 19200, 38 -> 38400, 48 -> 4800, 96 -> 9600, else 0.
int baudFromCode(int code);
// The code of a rate (the list's "115200" gives 11, which no conversion knows); 0 for others.
int codeFromBaud(int baud);

} // namespace korvo
