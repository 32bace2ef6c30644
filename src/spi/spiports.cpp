#include "spi/spiports.h"

#include "link/portnames.h"

namespace korvo {

QString spiPortText(int port)
{
    if (isParallelSpiPort(port))
        return QStringLiteral("Lpt%1-SPI").arg(port);
    return QStringLiteral("Com%1-USB SPI").arg(port - kSpiParallelPorts);
}

QString parallelDeviceName(int port)
{
    return QStringLiteral("/dev/parport%1").arg(port - 1);
}

QString converterDeviceName(int port, const QString &devicePath)
{
    return serialDeviceName(port - kSpiParallelPorts, devicePath);
}

bool isParallelDevicePath(const QString &devicePath)
{
    return devicePath.trimmed().startsWith(QLatin1String("/dev/parport"));
}

} // namespace korvo
