// korvo-bench upgrade: a generated 64 KB upgrade file in 16-byte records sent to a simulated Veltor on a pty,
// once over a simulated 19200-baud line, paced both ways (set against the wire-time model: every character
// both ways at 1,920 bytes/s plus the line pause per record; a record and its ACK never overlap) and once
// without pacing (records per second: what the engine and the link add to a line).

#include "app/clock.h"
#include "benchregistry.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "settings/preferences.h"
#include "upgrade/upgradeengine.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <cstdio>

namespace korvo::bench {
namespace {

QByteArray record(int address, int seed)
{
    QByteArray line = ":10" + QByteArray::number(address, 16).toUpper().rightJustified(4, '0') + "00";
    int sum = 0x10 + (address >> 8) + (address & 0xFF);
    for (int i = 0; i < 16; ++i) {
        const int byte = (seed * 31 + i * 7) & 0xFF;
        sum += byte;
        line += QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
    }
    return line + QByteArray::number((-sum) & 0xFF, 16).toUpper().rightJustified(2, '0');
}

// 64 KB of the lower bank in 16-byte records, as a Veltor file.
QByteArray upgradeFile()
{
    QByteArray text = QByteArray(kLowerBankRecord) + "\r\n";
    for (int i = 0; i < 4096; ++i)
        text += record(i * 16, i) + "\r\n";
    return text + kEndRecord + "\r\n";
}

struct Run
{
    bool ok = false;
    qint64 ms = -1; // first record to the end record's acknowledgement
};

// Puts the simulated Veltor into upgrade mode as a user would, then runs the wizard's steps 7 to 10.
Run upgradeOnce(const QStringList &simArgs, const UpgradeScan &scan, const UpgradePlan &plan)
{
    QProcess sim;
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/korvo-sim"),
              QStringList{QStringLiteral("--device"), QStringLiteral("veltor"), QStringLiteral("--pty")} +
                  simArgs);
    if (!sim.waitForReadyRead(10'000)) {
        std::fprintf(stderr, "korvo-bench: korvo-sim %s did not start: %s\n", qPrintable(simArgs.join(u' ')),
                     qPrintable(QString::fromLocal8Bit(sim.readAllStandardError()).trimmed()));
        return {};
    }
    CommWindowSettings settings;
    settings.portName = QString::fromLocal8Bit(sim.readLine().trimmed());
    settings.device = Veltor;
    CommLink link(settings, systemClock(), systemLinkFactory());
    link.connectComm(true);

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(10'000);
    QByteArray typed;
    const QMetaObject::Connection echo =
        QObject::connect(&link, &CommLink::dataReceived, [&](const QByteArray &d) {
            typed += d;
            if (typed.contains("UPGRADE MODE"))
                loop.quit();
        });
    link.sendToComm("UG 6041873\r", false);
    loop.exec();
    QObject::disconnect(echo);

    if (!typed.contains("UPGRADE MODE")) {
        std::fprintf(stderr, "korvo-bench: the simulated Veltor did not enter upgrade mode\n");
        return {};
    }
    deadline.start(600'000);
    UpgradeEngine engine(UpgradeOptions::fromSettings(settings));
    bool ok = false;
    EngineLease lease = link.attach(
        engine, QStringLiteral("Firmware Upgrade"),
        [&](const std::vector<EngineEvent> &events) {
            for (const EngineEvent &event : events) {
                if (event.ends()) {
                    loop.quit();
                    continue;
                }
                if (!event.is<EngineEvent::Status>())
                    continue;
                switch (engine.phase()) {
                case UpgradeEngine::Phase::Idle:
                    engine.establish(link.nowMs(), scan);
                    break;
                case UpgradeEngine::Phase::Ready:
                    engine.upgrade(link.nowMs(), plan, scan.totalBytes, {}, {});
                    break;
                case UpgradeEngine::Phase::TransferDone:
                    ok = true;
                    engine.close(link.nowMs());
                    break;
                case UpgradeEngine::Phase::CommFailed:
                case UpgradeEngine::Phase::Refused:
                case UpgradeEngine::Phase::TransferFailed:
                case UpgradeEngine::Phase::TransferAborted:
                    engine.close(link.nowMs());
                    break;
                default:
                    break;
                }
            }
        },
        CommLink::LeaseKind::Exclusive);
    if (!engine.isFinished())
        loop.exec();
    lease.release();
    link.shutdown();
    sim.terminate();
    sim.waitForFinished(5'000);
    Run run;
    run.ok = ok && engine.endRecordMs() >= 0;
    run.ms = engine.endRecordMs() - engine.firstRecordMs();
    return run;
}

int runUpgrade(const QStringList &args)
{
    const UpgradeScan scan = scanUpgradeText(upgradeFile(), Veltor);
    const UpgradePlan plan = planUpgrade(scan, Veltor);
    int result = 0;

    // "--unpaced" skips the paced run (which takes the line's 96 s).
    const Run paced = args.contains(QStringLiteral("--unpaced"))
                          ? Run{true, -1}
                          : upgradeOnce({QStringLiteral("--wire-rate"), QStringLiteral("19200")}, scan, plan);
    if (paced.ok && paced.ms >= 0) {
        const double model = double(estimatedTransferMs(plan, 19200, 0));
        report("upgrade_ms", double(paced.ms), "ms");
        report("upgrade_model_ms", model, "ms");
        report("upgrade_ratio", double(paced.ms) / model, "");
    } else if (!paced.ok) {
        std::fprintf(stderr, "korvo-bench: the paced upgrade did not finish\n");
        result = 1;
    }

    const Run unpaced = upgradeOnce({}, scan, plan);
    if (unpaced.ok) {
        report("upgrade_records_per_s",
               double(plan.recordsOnLine()) * 1000.0 / double(std::max<qint64>(1, unpaced.ms)), "records/s");
    } else {
        std::fprintf(stderr, "korvo-bench: the unpaced upgrade did not finish\n");
        result = 1;
    }
    return result;
}

} // namespace

KORVO_BENCHMARK("upgrade",
                "a 64 KB upgrade file in 16-byte records to korvo-sim on a pty, at 19200 baud and unpaced",
                runUpgrade);

} // namespace korvo::bench
