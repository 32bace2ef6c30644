#pragma once

// The serial SPI converter's framing. A message is DLE SOH, the byte count, the bytes, DLE EOT, and the
// converter answers with one byte per byte sent. Commands are ENQ STX, the command text, ETX EOT: "VERS" asks
// for the firmware version (answered with text such as "2.3" and a CR), "CS0" and "CS1" hold the chip select
// low and release it for single-character mode (not answered).

#include <QByteArray>

namespace korvo {

constexpr char kDle = 16;
constexpr char kSoh = 1;
constexpr char kEot = 4;
constexpr char kEnq = 5;
constexpr char kStx = 2;
constexpr char kEtx = 3;
// A frame's count byte limits a message.
constexpr int kMaxSpiMessage = 255;

QByteArray converterMessageFrame(const QByteArray &bytes);
QByteArray converterCommand(const QByteArray &command);

// A version reply is complete once two characters have come (a converter sends its version in one piece,
// such as "2.3" with a CR), or earlier at a CR, LF, ETX or EOT.
bool versionReplyComplete(const QByteArray &reply);
// Single-character mode needs version 2.2 or later, or 1.5 or later of the older line: "2." followed by a
// number of at least 2, else "1." followed by at least 5.
bool converterVersionAccepted(const QByteArray &reply);

} // namespace korvo
