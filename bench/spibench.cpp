// "spi": 4- and 64-byte messages back to back through the converter engine to korvo-sim --spi-converter on a
// pty, against the line's own time for a frame and its answer ((2n + 5) characters at 1,920 a second).

#include "benchregistry.h"
#include "benchsim.h"

#include "app/clock.h"
#include "link/linkfactory.h"
#include "spi/spisession.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <cstdio>

using namespace korvo;
using namespace korvo::bench;

namespace {

constexpr double kCharsPerSecond = 1920.0;

int spiBench(const QStringList &args)
{
    const int runs = runCount(args, 50);
    QProcess sim;
    const QString path = startSimOnPty(sim, {QStringLiteral("--spi-converter"), QStringLiteral("--pty")});
    if (path.isEmpty())
        return 1;

    SpiSession session(systemClock(), systemLinkFactory());
    session.useConverter(path);
    int status = 0;
    for (const int n : {4, 64}) {
        QElapsedTimer clock;
        std::vector<double> perMessage;
        qint64 last = 0;
        QEventLoop loop;
        QObject::connect(&session, &SpiSession::exchanged, &loop, [&](const SpiExchange &) {
            const qint64 now = clock.nsecsElapsed();
            perMessage.push_back(double(now - last) / 1e6);
            last = now;
        });
        QString failure;
        QObject::connect(&session, &SpiSession::ended, &loop, [&](const QString &text, bool) {
            failure = text;
            loop.quit();
        });
        SpiSendOptions options;
        options.message = QByteArray(n, '\x03');
        options.count = runs;
        options.rate = 1000; // a wait of 1 ms: every message overruns it, so they go back to back
        clock.start();
        session.send(options);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
        if (!failure.isEmpty() || int(perMessage.size()) != runs) {
            std::fprintf(stderr, "korvo-bench: spi %d: %s\n", n, qPrintable(failure));
            status = 1;
            continue;
        }
        const double measured = median(perMessage);
        const double model = (2.0 * n + 5) / kCharsPerSecond * 1000.0;
        const QByteArray prefix = "spi_" + QByteArray::number(n);
        report((prefix + "_ms").constData(), measured, "ms");
        report((prefix + "_model_ms").constData(), model, "ms");
        report((prefix + "_ratio").constData(), measured / model, "x");
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return status;
}

} // namespace

KORVO_BENCHMARK("spi", "SPI messages of 4 and 64 bytes through the converter engine to korvo-sim", spiBench);
