#pragma once

// A PC parallel port as the SPI transport drives it: the data register (SCK, MOSI, /CS) is written, the
// status register (MISO) is read, one access at a time. The program uses Linux ppdev; tests a fake port
// with a simulated SPI slave behind it.

#include <QString>
#include <QtGlobal>

namespace korvo {

class ParallelPort
{
public:
    virtual ~ParallelPort() = default;

    // Opens and claims the port ("/dev/parport0"); false with a sentence for the user in *error.
    virtual bool open(const QString &device, QString *error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString device() const = 0;

    virtual void writeData(quint8 value) = 0;
    virtual quint8 readStatus() = 0;
    // The first access that failed since open, with the OS's description; empty while all went well.
    virtual QString accessError() const { return {}; }
};

} // namespace korvo
