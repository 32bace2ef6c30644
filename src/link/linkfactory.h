#pragma once

// Makes the serial and socket objects a link drives and lists the serial ports it may find a device at; the
// program uses the Qt ones and the system's list, tests hand in fakes and a list of their own.

#include "link/portenumerator.h"
#include "link/seriallink.h"
#include "link/socketlink.h"

#include <memory>

namespace korvo {

class LinkFactory : public PortEnumerator
{
public:
    ~LinkFactory() override = default;
    virtual std::unique_ptr<SerialLink> createSerial() = 0;
    virtual std::unique_ptr<SocketLink> createSocket() = 0;
};

// QSerialPort and QTcpSocket based links, the ports QSerialPortInfo lists.
LinkFactory &systemLinkFactory();

} // namespace korvo
