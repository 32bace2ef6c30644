#pragma once

// The SPI window's port numbers: 1..4 are the parallel ports LPT1..LPT4, 5..40 the serial SPI converter on
// COM1..COM36.

#include <QString>

namespace korvo {

constexpr int kSpiPortCount = 40;
constexpr int kSpiParallelPorts = 4;

inline bool isParallelSpiPort(int port)
{
    return port >= 1 && port <= kSpiParallelPorts;
}

// The port list's text: "Lpt1-SPI" .. "Lpt4-SPI", "Com1-USB SPI" .. "Com36-USB SPI".
QString spiPortText(int port);
// "Lpt n" is ppdev's /dev/parport(n-1).
QString parallelDeviceName(int port);
// The converter's serial device: the device path when one is kept, else COM(port-4) as a terminal maps it.
QString converterDeviceName(int port, const QString &devicePath);
// A device path chosen by hand names its transport: /dev/parportN is a parallel port.
bool isParallelDevicePath(const QString &devicePath);

} // namespace korvo
