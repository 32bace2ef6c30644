#pragma once

// Where a terminal's link goes: serial device names as users know them, and TCP "host[:port]" addresses.

#include <QByteArray>
#include <QString>

namespace korvo {

struct CommWindowSettings;

constexpr quint16 kGatewayPort = 503;

// The serial device of a terminal: PortName when set, else COMn on Windows and /dev/ttyS<n-1> elsewhere.
QString serialDeviceName(const CommWindowSettings &settings);
QString serialDeviceName(int port, const QString &portName);

struct TcpEndpoint
{
    QString host;
    quint16 port = kGatewayPort;
    bool valid = false;
};

// "10.0.0.7" -> port 503; "127.0.0.1:5030" -> port 5030; "[::1]:5030" for IPv6 with a port.
TcpEndpoint parseTcpAddress(const QString &address);

// Baud rate: the leading number of a settings string ("9600,N,8,1" -> 9600), 0 when there is none.
int baudOfSettings(const QString &settings);

// The command that sets a TCP-to-serial gateway's line rate ("}02:38" for 38400); empty for a rate the
// gateway has no command for.
QByteArray gatewayRateCommand(int baud);

// A sentence to add to an open error when the user lacks access to the device: names the group that owns
// it (e.g. "dialout"). Empty when the device is accessible or does not exist.
QString permissionHint(const QString &deviceName);

} // namespace korvo
