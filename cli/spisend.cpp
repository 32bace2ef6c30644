// korvo-cli spi-send HEX...: one SPI message through the serial SPI converter (--port /dev/ttyUSB0, a pty)
// or the parallel port (--port /dev/parportN); prints the sent and received lines and the message time.

#include "clicommand.h"
#include "link/portnames.h"
#include "spi/parallelspi.h"
#include "spi/ppdevport.h"
#include "spi/spiconverterengine.h"
#include "spi/spimessage.h"
#include "spi/spiports.h"

#include <QElapsedTimer>
#include <QJsonObject>

using namespace korvo;
using namespace korvo::cli;

namespace {

void report(CliContext &ctx, const QByteArray &sent, const QByteArray &received, double ms)
{
    if (ctx.json()) {
        ctx.outJson({{QStringLiteral("sent"), QString::fromLatin1(sent.toHex().toUpper())},
                     {QStringLiteral("received"), QString::fromLatin1(received.toHex().toUpper())},
                     {QStringLiteral("ms"), ms}});
        return;
    }
    for (const QString &line : spiExchangeLines(sent, received))
        ctx.out(line);
    ctx.out(QStringLiteral("%1 ms").arg(ms, 0, 'f', 2));
}

int sendParallel(CliContext &ctx, const QString &device, const QByteArray &message)
{
    PpdevPort port;
    QString error;
    if (!port.open(device, &error)) {
        ctx.err(error);
        return UsageOrLink;
    }
    ParallelSpi spi(port, calibrateSpiDelays(&port));
    spi.idle();
    QElapsedTimer timer;
    timer.start();
    const QByteArray received = spi.sendMessage(message);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!port.accessError().isEmpty()) {
        ctx.err(port.accessError());
        return JobFailed;
    }
    report(ctx, message, received, ms);
    return Done;
}

int sendConverter(CliContext &ctx, const QByteArray &message)
{
    SpiConverterEngine engine({SpiConverterEngine::Job::Message, message});
    QElapsedTimer timer;
    timer.start();
    // The converter drives the line itself, at its own settings.
    const int result = ctx.run(engine, CommLink::LeaseKind::Exclusive, {});
    if (result != Done)
        return result;
    report(ctx, message, engine.reply(), double(timer.nsecsElapsed()) / 1e6);
    return Done;
}

int spiSend(CliContext &ctx, const QStringList &args)
{
    const std::optional<QByteArray> message = buildSpiMessage(args.join(u' '));
    if (args.isEmpty() || !message) {
        ctx.err(QStringLiteral("spi-send: give the message as hex bytes (\"02 10 AB\"), at most 255"));
        return UsageOrLink;
    }
    CommWindowSettings &settings = ctx.settings();
    if (settings.tcpipEnabled || settings.portName.trimmed().isEmpty()) {
        ctx.err(
            QStringLiteral("spi-send: give the converter's serial device or a parallel port with --port"));
        return UsageOrLink;
    }
    const QString device = serialDeviceName(settings);
    if (isParallelDevicePath(device))
        return sendParallel(ctx, device, *message);
    return sendConverter(ctx, *message);
}

} // namespace

const CliHelp kHelp{
    "spi-send HEX...",
    "Sends one SPI message through the serial SPI converter on --port, or through the parallel port when "
    "--port is /dev/parportN, and prints the bytes sent and received and the message time.",
    {{"HEX...", "the message: at most 255 bytes as hex (\"02 10 AB\")"}},
    "the parallel port could not be driven, or the converter did not answer",
    {{"sent", "the bytes sent, in hex"},
     {"received", "the bytes received, in hex"},
     {"ms", "the message time in ms"}}};

KORVO_CLI_COMMAND("spi-send", kHelp, spiSend);
