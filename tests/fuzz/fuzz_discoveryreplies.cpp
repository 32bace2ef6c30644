// libFuzzer target of the gateways' answers to the discovery broadcast: any bytes give at most one device
// per record start, paired with the senders in order, and every serial number and connection is text of
// the buffer.

#include "preferences/discoveryreplies.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray buffer(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList senders{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2")};
    const QList<DiscoveredDevice> devices = parseDiscoveryReplies(buffer, senders);
    if (devices.size() > buffer.count(QByteArrayView("\x06:", 2)))
        std::abort();
    const QString text = QString::fromLatin1(buffer);
    for (qsizetype i = 0; i < devices.size(); ++i) {
        const DiscoveredDevice &device = devices.at(i);
        if (device.address != senders.value(i) || !text.contains(device.serial) ||
            !text.contains(device.connection))
            std::abort();
    }
    return 0;
}
