// korvo-sim: a simulated controller on a pty or behind a TCP gateway, for trying the program without
// hardware.

#include "sim/canresponder.h"
#include "sim/controllersim.h"
#include "sim/linefaults.h"
#include "sim/memoryoptions.h"
#include "sim/proberesponder.h"
#include "sim/ramresponder.h"
#include "sim/simgateway.h"
#include "sim/simpty.h"
#include "sim/spiconverteroptions.h"
#include "sim/spiconverterresponder.h"
#include "sim/streamsource.h"
#include "sim/timelog.h"
#include "sim/upgraderesponder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

using namespace korvo;

namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "korvo-sim: %s\n", qPrintable(message));
    std::exit(1);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvo-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated stepper-motor controller on a pty or a TCP gateway."));
    parser.addHelpOption();
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Controller type: ukorvo, 926q, hmi, veltor, fendra, nb."),
                                    QStringLiteral("type"), QStringLiteral("veltor"));
    const QCommandLineOption pty(QStringLiteral("pty"),
                                 QStringLiteral("Open a pty and print its path first."));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Serve as a TCP-to-serial gateway (and answer UDP discovery on the same port)."),
        QStringLiteral("host:port"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append every received byte to a file."),
                                 QStringLiteral("file"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("The controller's own rate."),
                                  QStringLiteral("rate"), QStringLiteral("9600"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Receive but never answer."));
    const QCommandLineOption charDelay(QStringLiteral("char-delay"),
                                       QStringLiteral("Answer slowly: pause after each character."),
                                       QStringLiteral("ms"), QStringLiteral("0"));
    parser.addOptions({device, pty, listen, log, baud, silent, charDelay});
    // A faulty line and device, on both transports; seeded, so a failing run can be replayed.
    const QCommandLineOption lineFaults(
        QStringLiteral("line-faults"),
        QStringLiteral("Noise on the line both ways, rates per byte: drop=R,corrupt=R,dup=R,seed=N "
                       "(e.g. drop=0.001,corrupt=0.001,dup=0.0005,seed=7)."),
        QStringLiteral("spec"));
    const QCommandLineOption stallAfter(
        QStringLiteral("stall-after"),
        QStringLiteral("Go silent after receiving this many bytes, until the port is opened again."),
        QStringLiteral("bytes"));
    const QCommandLineOption resetAfter(
        QStringLiteral("reset-after"),
        QStringLiteral("Power-cycle after receiving this many bytes (forget the line and echo mode), then "
                       "answer again."),
        QStringLiteral("bytes"));
    const QCommandLineOption hangupAfter(
        {QStringLiteral("hangup-after"), QStringLiteral("drop-after")},
        QStringLiteral("Hang up (close the pty or connection) after receiving this many bytes."),
        QStringLiteral("bytes"));
    parser.addOptions({lineFaults, stallAfter, resetAfter, hangupAfter});
    MemoryOptions memoryOptions; // upload and download: the device's memory, HMI faults, line pace
    memoryOptions.addTo(parser);
    // CAN configuration: a simulated CAN adapter, monitor, or module behind an adapter
    const QCommandLineOption can(QStringLiteral("can"), QStringLiteral("Be a CAN module, dongle or monitor."),
                                 QStringLiteral("module|dongle|monitor"));
    const QCommandLineOption canConfig(QStringLiteral("can-config"),
                                       QStringLiteral("CAN settings ([MODULE Settings], [DONGLE Settings])."),
                                       QStringLiteral("file"));
    const QCommandLineOption canFault(QStringLiteral("can-fault"),
                                      QStringLiteral("CAN fault: nak, short, garbage."),
                                      QStringLiteral("fault"));
    const QCommandLineOption canVanish(QStringLiteral("can-vanish-after"),
                                       QStringLiteral("Vanish after this many CAN requests."),
                                       QStringLiteral("n"));
    parser.addOptions({can, canConfig, canFault, canVanish});
    // Device discovery: what a simulated gateway says of itself
    const QCommandLineOption gatewaySerial(QStringLiteral("gateway-serial"),
                                           QStringLiteral("Serial number the gateway reports to discovery."),
                                           QStringLiteral("serial"));
    const QCommandLineOption gatewayConnection(
        QStringLiteral("gateway-connection"),
        QStringLiteral("Current connection the gateway reports (default: its connected client)."),
        QStringLiteral("address"));
    parser.addOptions({gatewaySerial, gatewayConnection});
    addUpgradeSimOptions(parser);   // firmware upgrade modes
    addSpiConverterOptions(parser); // SPI converter: --spi-converter, --spi-version, --spi-short-frame
    // Streaming for throughput benchmarks (the stream itself is hooked to the pty below).
    const QCommandLineOption stream(
        QStringLiteral("stream"),
        QStringLiteral("On the pty, answer STREAM by sending sequenced blocks at this many bytes per second "
                       "(0: as fast as the pty takes them) until STOP, which is answered with their count."),
        QStringLiteral("rate"));
    parser.addOption(stream);
    // Arrival times of received bytes, for checking a function key's pauses and the link's pacing.
    const QCommandLineOption logTimes(QStringLiteral("log-times"),
                                      QStringLiteral("Write each received byte with its arrival time in ms."),
                                      QStringLiteral("file"));
    parser.addOption(logTimes);
    TimeLog timeLog;
    parser.process(app);
    if (QString error; parser.isSet(logTimes) && !timeLog.open(parser.value(logTimes), &error))
        fail(QStringLiteral("cannot open %1: %2").arg(parser.value(logTimes), error));

    const DeviceType type = deviceFromOptionName(parser.value(device).trimmed());
    if (type == PlainText)
        fail(QStringLiteral("unknown device type \"%1\"").arg(parser.value(device)));
    if (!parser.isSet(pty) && !parser.isSet(listen))
        fail(QStringLiteral("give --pty, --listen host:port, or both"));

    std::unique_ptr<QFile> logFile;
    if (parser.isSet(log)) {
        logFile = std::make_unique<QFile>(parser.value(log));
        if (!logFile->open(QIODevice::Append | QIODevice::Unbuffered))
            fail(QStringLiteral("cannot open %1: %2").arg(parser.value(log), logFile->errorString()));
    }
    const auto tap = [&logFile, &timeLog](const QByteArray &bytes) {
        if (logFile)
            logFile->write(bytes);
        timeLog.record(bytes);
    };
    LineFaults::Settings faults;
    if (QString error; !LineFaults::parseRates(parser.value(lineFaults), &faults, &error))
        fail(error);
    const auto byteCount = [&parser](const QCommandLineOption &option) {
        bool ok = true;
        const qint64 count = parser.isSet(option) ? parser.value(option).toLongLong(&ok) : -1;
        if (!ok || (parser.isSet(option) && count < 0))
            fail(QStringLiteral("--%1 wants a number of bytes").arg(option.names().constFirst()));
        return count;
    };
    faults.stallAfter = byteCount(stallAfter);
    faults.resetAfter = byteCount(resetAfter);
    faults.hangupAfter = byteCount(hangupAfter);
    const auto faultyLine = [&] {
        return LineFaults(faults, [&timeLog](const QByteArray &note) { timeLog.note(note); });
    };
    const auto configure = [&](ControllerSim &controller) {
        controller.setOwnBaud(parser.value(baud).toInt());
        controller.setSilent(parser.isSet(silent));
        // Baud-finder probes and the RAM viewer's commands
        addProbeResponder(controller);
        addRamResponder(controller);
    };

    // Each transport has its own controller: they are two devices.
    ControllerSim ptyController(type);
    ControllerSim gatewayController(type);
    SimPty simPty(ptyController);
    SimGateway gateway(gatewayController);
    QString memoryError;
    const auto ptyMemory = memoryOptions.responder(parser, ptyController, &memoryError);
    const auto gatewayMemory = memoryOptions.responder(parser, gatewayController, &memoryError);
    if (!ptyMemory || !gatewayMemory)
        fail(memoryError);
    simPty.setWireRate(memoryOptions.wireRate(parser));
    gateway.setWireRate(memoryOptions.wireRate(parser));

    CanResponder::Kind canKind = CanResponder::Kind::Dongle;
    CanResponder::Fault fault = CanResponder::Fault::None;
    if (parser.isSet(can) && !CanResponder::kindFromName(parser.value(can), &canKind))
        fail(QStringLiteral("unknown CAN device \"%1\"").arg(parser.value(can)));
    if (parser.isSet(canFault) && !CanResponder::faultFromName(parser.value(canFault), &fault))
        fail(QStringLiteral("unknown CAN fault \"%1\"").arg(parser.value(canFault)));
    CanResponder ptyCan(canKind);
    CanResponder gatewayCan(canKind);
    for (CanResponder *responder : {&ptyCan, &gatewayCan}) {
        QString error;
        if (parser.isSet(canConfig) && !responder->loadConfig(parser.value(canConfig), &error))
            fail(error);
        responder->setFault(fault);
    }
    if (parser.isSet(can)) {
        const int vanish = parser.isSet(canVanish) ? parser.value(canVanish).toInt() : -1;
        ptyCan.setVanishAfter(vanish, [&simPty] { simPty.drop(); });
        gatewayCan.setVanishAfter(vanish, [&gateway] { gateway.drop(); });
        ptyCan.attach(ptyController);
        gatewayCan.attach(gatewayController);
    }

    if (parser.isSet(pty)) {
        configure(ptyController);
        QString error;
        if (!simPty.open(&error))
            fail(error);
        simPty.setCharDelay(parser.value(charDelay).toInt());
        simPty.setFaults(faultyLine());
        simPty.setTap(tap);
        if (parser.isSet(stream))
            new StreamSource(
                ptyController, parser.value(stream).toLongLong(),
                [&](const QByteArray &b) { simPty.inject(b); }, [&] { return simPty.backlog(); }, &simPty);
        std::printf("%s\n", qPrintable(simPty.path()));
        std::fflush(stdout);
        // A dropped pty is gone for good: nothing is left to serve.
        QObject::connect(&simPty, &SimPty::dropped, &app, [&] {
            if (!parser.isSet(listen))
                QCoreApplication::quit();
        });
    }
    // SPI converter: with --spi-converter the pty's controller is a converter with an SPI device.
    const auto spiConverter = makeSpiConverter(parser, ptyController, simPty);
    if (parser.isSet(listen)) {
        configure(gatewayController);
        const QString value = parser.value(listen);
        const qsizetype colon = value.lastIndexOf(u':');
        const QHostAddress address(colon > 0 ? value.left(colon) : QStringLiteral("127.0.0.1"));
        const quint16 port = quint16(colon >= 0 ? value.mid(colon + 1).toUInt() : value.toUInt());
        QString error;
        if (address.isNull() || !gateway.listen(address, port, &error))
            fail(QStringLiteral("cannot listen on %1: %2")
                     .arg(value, error.isEmpty() ? QStringLiteral("bad address") : error));
        gateway.setCharDelay(parser.value(charDelay).toInt());
        if (parser.isSet(gatewaySerial))
            gateway.setSerialNumber(parser.value(gatewaySerial).toLatin1());
        gateway.setReportedConnection(parser.value(gatewayConnection).toLatin1());
        gateway.setFaults(faultyLine());
        gateway.setTap(tap);
        // Discovery datagrams are answered on the same port number over UDP.
        if (!gateway.listenDiscovery(address, gateway.port(), &error))
            std::fprintf(stderr, "korvo-sim: no discovery answers: %s\n", qPrintable(error));
        std::printf("listening on %s:%u\n", qPrintable(address.toString()), unsigned(gateway.port()));
        std::fflush(stdout);
    }

    // Firmware upgrade modes, after the rates are set: an upgrade switch puts a uKorvo at 19200 at once.
    const UpgradeResponder ptyUpgrade(ptyController, upgradeSimOptions(parser));
    const UpgradeResponder gatewayUpgrade(gatewayController, upgradeSimOptions(parser));

    // SIGTERM and SIGINT end the event loop so the pty is closed cleanly. SIGUSR1 mends the line: no more
    // faults, so a script can read back what a job on the faulty line left in the device's memory.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
            char signal = 0;
            if (::read(g_signalPipe[0], &signal, 1) == 1 && signal == SIGUSR1) {
                simPty.setFaults(LineFaults());
                gateway.setFaults(LineFaults());
                return;
            }
            QCoreApplication::quit();
        });
        for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1})
            std::signal(signal, onSignal);
    }
    return app.exec();
}
