#pragma once

// Command texts with caret escapes, as the RAM viewer's command sequences are written: "^^" sends "^",
// "^p" pauses 1000 ms, "^m" 50 ms, "^d" + digits that many ms (at most 32767), "^" + a character from
// "@" to "_" sends its control character ("^M" is CR); everything else is sent as it is. The text
// becomes the steps to carry out in order: bytes to send, pauses between them.

#include <QByteArray>
#include <vector>

namespace korvo {

struct CaretStep
{
    QByteArray bytes; // to send; empty for a pause
    int pauseMs = 0;

    bool operator==(const CaretStep &other) const = default;
};

constexpr int kMaxCaretPauseMs = 32767;

std::vector<CaretStep> parseCaretText(const QByteArray &text);

} // namespace korvo
