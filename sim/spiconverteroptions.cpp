#include "spiconverteroptions.h"

#include "simpty.h"
#include "spiconverterresponder.h"

namespace korvo {

namespace {
const QString kConverter = QStringLiteral("spi-converter");
const QString kVersion = QStringLiteral("spi-version");
const QString kShortFrame = QStringLiteral("spi-short-frame");
} // namespace

void addSpiConverterOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {kConverter,
         QStringLiteral("Be a serial SPI converter (19200 baud) with a 256-byte register device.")},
        {kVersion, QStringLiteral("The converter's answer to VERS."), QStringLiteral("V"),
         QStringLiteral("2.3")},
        {kShortFrame, QStringLiteral("Answer the converter's frame N (from 1) one byte short."),
         QStringLiteral("N")},
    });
}

std::unique_ptr<SpiConverterResponder> makeSpiConverter(const QCommandLineParser &parser,
                                                        ControllerSim &controller, SimPty &pty)
{
    if (!parser.isSet(kConverter))
        return nullptr;
    auto responder = std::make_unique<SpiConverterResponder>(controller);
    responder->setVersion(parser.value(kVersion).toLatin1());
    responder->setShortFrame(parser.value(kShortFrame).toInt());
    responder->setSender([&pty](const QByteArray &bytes) { pty.inject(bytes); });
    return responder;
}

} // namespace korvo
