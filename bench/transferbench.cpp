// korvo-bench transfer: a 2,000-line Veltor listing downloaded into an empty korvo-sim on a pty and uploaded
// back, with the simulator's line running at 9600 and at 115200 baud both ways. Each time is set against a
// model: the wire time of every byte both ways at baud / 10 bytes per second, plus one silence interval per
// upload command (a serial line has no line pause). A download's echo comes back while its line is still
// going out, so for it the sum of both ways is about twice what a full-duplex line needs at least;
// download_<B>_one_way_ratio sets its time against the busier way alone (echo and prompts), the floor.

#include "app/clock.h"
#include "benchregistry.h"
#include "benchsim.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "settings/preferences.h"
#include "transfer/downloadengine.h"
#include "transfer/uploadengine.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <cstdio>

namespace korvo::bench {
namespace {

struct Measured
{
    double ms = -1;
    qint64 sent = 0;
    qint64 received = 0;
    qint64 silenceMs = 0;
};

// Runs engine on link to its end; false when it failed or took longer than ten minutes.
bool runEngine(CommLink &link, DeviceEngine &engine, Measured &measured)
{
    QEventLoop loop;
    bool ok = false;
    link.setCaptureSink([&measured](const QByteArray &bytes) { measured.received += bytes.size(); });
    QTimer::singleShot(600'000, &loop, &QEventLoop::quit);
    const qint64 start = link.nowMs();
    EngineLease lease =
        link.attach(engine, QStringLiteral("Transfer"), [&](const std::vector<EngineEvent> &events) {
            for (const EngineEvent &event : events) {
                if (event.ends()) {
                    ok = event.is<EngineEvent::Finished>();
                    loop.quit();
                }
            }
        });
    if (!engine.isFinished())
        loop.exec();
    measured.ms = double(link.nowMs() - start);
    lease.release();
    link.setCaptureSink({});
    return ok;
}

int runTransfer(const QStringList &args)
{
    // "--baud B" measures one rate only.
    const qsizetype at = args.indexOf(QStringLiteral("--baud"));
    const QList<int> rates =
        at >= 0 && at + 1 < args.size() ? QList<int>{args[at + 1].toInt()} : QList<int>{9600, 115200};
    const QList<QByteArray> lines = veltorListing(998, 996); // 2,000 lines
    for (const int baud : rates) {
        QProcess sim;
        CommWindowSettings settings;
        settings.portName =
            startSimOnPty(sim, {QStringLiteral("--device"), QStringLiteral("veltor"), QStringLiteral("--pty"),
                                QStringLiteral("--empty"), QStringLiteral("--baud"), QString::number(baud),
                                QStringLiteral("--wire-rate"), QString::number(baud)});
        if (settings.portName.isEmpty())
            return 1;
        settings.settings = QStringLiteral("%1,N,8,1").arg(baud);
        CommLink link(settings, systemClock(), systemLinkFactory());
        link.connectComm(true);
        TransferRequest request;
        request.device = Veltor;
        request.timing = LinkTiming::fromSettings(settings);
        const double bytesPerMs = baud / 10.0 / 1000.0;

        DownloadEngine download(lines, request);
        Measured down;
        for (const QByteArray &line : lines)
            down.sent += line.size() + 1;
        const bool downOk = runEngine(link, download, down);

        request.sections = TransferRequest::Variables | TransferRequest::Programs;
        UploadEngine upload(request);
        Measured up;
        const bool upOk = runEngine(link, upload, up);
        // "pr al" and "l", each followed by its silence interval.
        up.sent = 6 + 2;
        up.silenceMs = replyTimeMs(request.timing, 6, 500) + replyTimeMs(request.timing, 2, 500);

        link.shutdown();
        sim.terminate();
        sim.waitForFinished(5'000);
        if (!downOk || !upOk) {
            std::fprintf(stderr, "korvo-bench: the %s at %d baud did not finish\n",
                         downOk ? "upload" : "download", baud);
            return 1;
        }
        const auto print = [baud, bytesPerMs](const char *what, const Measured &m) {
            const double model = double(m.sent + m.received) / bytesPerMs + double(m.silenceMs);
            const QByteArray prefix = QByteArray(what) + '_' + QByteArray::number(baud);
            report((prefix + "_ms").constData(), m.ms, "ms");
            report((prefix + "_model_ms").constData(), model, "ms");
            report((prefix + "_ratio").constData(), m.ms / model, "");
        };
        print("download", down);
        report(("download_" + QByteArray::number(baud) + "_one_way_ratio").constData(),
               down.ms / (double(std::max(down.sent, down.received)) / bytesPerMs), "");
        print("upload", up);
    }
    return 0;
}

} // namespace

KORVO_BENCHMARK("transfer", "a 2,000-line listing downloaded and uploaded over a pty at 9600 and 115200 baud",
                runTransfer);

} // namespace korvo::bench
