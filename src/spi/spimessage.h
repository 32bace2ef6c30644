#pragma once

// The SPI window's texts: the message typed as hex digits (Build_SPI_Message) and the exchange as log lines
// (Show_SPI_Exchange).

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace korvo {

// The output entry takes hex digits; spaces between them only make it readable.
bool isSpiOutputText(const QString &text);
// The entry's digits without the spaces.
QString spiOutputDigits(const QString &text);
// The message bytes, two digits each; none when there is nothing to send, an odd number of digits, or more
// bytes than a converter frame can count (255): "Output Incomplete."
std::optional<QByteArray> buildSpiMessage(const QString &text);

// The two lines of an exchange: "> " then " A5" per byte sent, "< " then the bytes received the same way;
// after every 20 bytes both continue on a new line, indented by two spaces. Sent lines come first.
QStringList spiExchangeLines(const QByteArray &sent, const QByteArray &received);

} // namespace korvo
