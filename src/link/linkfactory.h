#pragma once

// Makes the serial and socket objects a link drives; the program uses the Qt ones, tests hand in fakes.

#include "link/seriallink.h"
#include "link/socketlink.h"

#include <memory>

namespace korvo {

class LinkFactory
{
public:
    virtual ~LinkFactory() = default;
    virtual std::unique_ptr<SerialLink> createSerial() = 0;
    virtual std::unique_ptr<SocketLink> createSocket() = 0;
};

// QSerialPort and QTcpSocket based links.
LinkFactory &systemLinkFactory();

} // namespace korvo
