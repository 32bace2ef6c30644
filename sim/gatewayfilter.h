#pragma once

// The TCP-to-serial gateway's own commands in the byte stream: "}02:" plus a two-digit rate code changes the
// serial rate (96 -> 9600, 19 -> 19200, 11 -> 115200 ...) and is not passed on. Commands may arrive split.

#include <QByteArray>

namespace korvo {

class GatewayFilter
{
public:
    // Rate of a two-digit code, 0 for an unknown code.
    static int baudOfCode(const QByteArray &code);

    // Bytes for the serial side; a complete rate command sets rateChanged() to its rate.
    QByteArray feed(const QByteArray &bytes);
    // The rate of the last command completed by feed(), or 0; reading clears it.
    int takeRateChange() { return std::exchange(m_rate, 0); }

private:
    QByteArray m_held; // a command prefix seen so far
    int m_rate = 0;
};

} // namespace korvo
