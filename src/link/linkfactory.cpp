#include "linkfactory.h"

#include "link/qtseriallink.h"
#include "link/qtsocketlink.h"

namespace korvo {

namespace {
class SystemLinkFactory final : public LinkFactory
{
public:
    std::unique_ptr<SerialLink> createSerial() override { return std::make_unique<QtSerialLink>(); }
    std::unique_ptr<SocketLink> createSocket() override { return std::make_unique<QtSocketLink>(); }
    QList<SerialPortEntry> availablePorts() const override { return systemSerialPorts(); }
};
} // namespace

LinkFactory &systemLinkFactory()
{
    static SystemLinkFactory factory;
    return factory;
}

} // namespace korvo
