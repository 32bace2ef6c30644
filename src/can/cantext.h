#pragma once

// The number forms of the CAN configuration pages: the "###0.0###" picture, padded hex and the hex value
// of typed register text (typed decimal text is read with leadingNumber).

#include "app/texthelpers.h"

#include <QString>
#include <optional>

namespace korvo {

// "###0.0###": at least one integer digit, one to four decimals, no grouping (50 -> "50.0", 1/3 -> "0.3333").
QString formatPicture(double value);
// strHex_Pad: upper-case hex of value, left-padded with "0" to width characters.
QString hexPad(int value, int width = 2);
// The hex value of a typed register: every character counts with its computed digit value, as in
// hexToLong ("0x53" is 8531); empty when the text is too long to be a 16-bit value in any reading.
std::optional<int> typedHexValue(const QString &text);

} // namespace korvo
