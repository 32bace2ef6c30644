#pragma once

// korvo-sim's SPI converter options: --spi-converter, --spi-version V, --spi-short-frame N.

#include <QCommandLineParser>
#include <memory>

namespace korvo {

class SimPty;
class SpiConverterResponder;
class ControllerSim;

void addSpiConverterOptions(QCommandLineParser &parser);
// With --spi-converter: the responder that turns the pty's controller into a converter; else nullptr.
std::unique_ptr<SpiConverterResponder> makeSpiConverter(const QCommandLineParser &parser,
                                                        ControllerSim &controller, SimPty &pty);

} // namespace korvo
