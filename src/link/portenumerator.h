#pragma once

// The serial ports the system lists, with the identity of the USB adapters among them. The program asks the
// system (QSerialPortInfo); tests hand in a list they change, to plug and unplug adapters.

#include "settings/preferences.h"

#include <QList>
#include <QString>

namespace korvo {

struct SerialPortEntry
{
    QString path;            // "/dev/ttyUSB0", "COM3"
    QString description;     // "FT232R USB UART", or the maker when the system has no description
    AdapterIdentity adapter; // set for USB adapters only
};

class PortEnumerator
{
public:
    virtual ~PortEnumerator() = default;
    virtual QList<SerialPortEntry> availablePorts() const = 0;
};

// The entry listed at path, or at the device a symbolic link at path points to; null when none is.
const SerialPortEntry *findPort(const QList<SerialPortEntry> &ports, const QString &path);
// The entry of the adapter with this identity, under whatever path it is listed, or null. An adapter without
// a serial number is known by its vendor and product only while it is the one such adapter plugged in;
// among several, the terminal's is the one at its path.
const SerialPortEntry *findAdapter(const QList<SerialPortEntry> &ports, const AdapterIdentity &adapter,
                                   const QString &path);

// "FT232R USB UART (A6008isP)"; "USB adapter 1a86:7523" without description and serial number.
QString adapterText(const AdapterIdentity &adapter);

// The system's ports through QSerialPortInfo.
QList<SerialPortEntry> systemSerialPorts();

} // namespace korvo
