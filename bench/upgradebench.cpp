// korvo-bench upgrade: a generated 64 KB upgrade file in 16-byte records sent to a simulated Veltor on a pty,
// once over a simulated 19200-baud line, paced both ways (set against the wire-time model: every character
// both ways at 1,920 bytes/s plus the line pause per record; a record and its ACK never overlap) and once
// without pacing (records per second: what the engine and the link add to a line).

#include "app/clock.h"
#include "benchregistry.h"
#include "benchsim.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "settings/preferences.h"
#include "upgrade/upgradeengine.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>

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

// 64 KB of the lower bank in 16-byte records (or fewer records), as a Veltor file.
QByteArray upgradeFile(int records = 4096)
{
    QByteArray text = QByteArray(kLowerBankRecord) + "\r\n";
    for (int i = 0; i < records; ++i)
        text += record(i * 16, i) + "\r\n";
    return text + kEndRecord + "\r\n";
}

struct Run
{
    bool ok = false;
    qint64 ms = -1; // first record to the end record's acknowledgement
};

// A simulated Veltor on a pty, put into upgrade mode as a user would ("UG 6041873" typed in the terminal);
// its link stays open for the caller. False when it did not start or enter upgrade mode (reported).
bool startInUpgradeMode(QProcess &sim, const QStringList &simArgs, CommWindowSettings &settings,
                        std::unique_ptr<CommLink> &link)
{
    settings.portName = startSimOnPty(
        sim,
        QStringList{QStringLiteral("--device"), QStringLiteral("veltor"), QStringLiteral("--pty")} + simArgs);
    if (settings.portName.isEmpty())
        return false;
    settings.device = Veltor;
    link = std::make_unique<CommLink>(settings, systemClock(), systemLinkFactory());
    link->connectComm(true);

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(10'000);
    QByteArray typed;
    const QMetaObject::Connection echo =
        QObject::connect(link.get(), &CommLink::dataReceived, [&](const QByteArray &d) {
            typed += d;
            if (typed.contains("UPGRADE MODE"))
                loop.quit();
        });
    link->sendToComm("UG 6041873\r", false);
    loop.exec();
    QObject::disconnect(echo);
    if (!typed.contains("UPGRADE MODE")) {
        std::fprintf(stderr, "korvo-bench: the simulated Veltor did not enter upgrade mode\n");
        return false;
    }
    return true;
}

// Puts the simulated Veltor into upgrade mode, then runs the wizard's steps 7 to 10.
Run upgradeOnce(const QStringList &simArgs, const UpgradeScan &scan, const UpgradePlan &plan)
{
    QProcess sim;
    CommWindowSettings settings;
    std::unique_ptr<CommLink> commLink;
    if (!startInUpgradeMode(sim, simArgs, settings, commLink))
        return {};
    CommLink &link = *commLink;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
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

// korvo-cli upgrade on a rack of eight simulated Veltors at 19200 baud, each on its own pty, against the same
// upgrade of one of them in the same run: rack_ratio is the rack's time over the one's.
int runRack(const QStringList &)
{
    constexpr int kRack = 8;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rack.zel"));
    QFile out(file);
    // 8 KB: a dozen seconds on the line.
    if (!out.open(QIODevice::WriteOnly) || out.write(upgradeFile(512)) < 0) {
        std::fprintf(stderr, "korvo-bench: cannot write %s\n", qPrintable(file));
        return 1;
    }
    out.close();
    std::vector<std::unique_ptr<QProcess>> sims;
    QStringList ports;
    for (int i = 0; i <= kRack; ++i) {
        sims.push_back(std::make_unique<QProcess>());
        CommWindowSettings settings;
        std::unique_ptr<CommLink> link;
        if (!startInUpgradeMode(*sims.back(), {QStringLiteral("--wire-rate"), QStringLiteral("19200")},
                                settings, link))
            return 1;
        link->shutdown();
        ports += {QStringLiteral("--port"), settings.portName};
    }
    const auto upgrade = [&](const QStringList &links) {
        QProcess cli;
        cli.start(QCoreApplication::applicationDirPath() + QStringLiteral("/korvo-cli"),
                  links + QStringList{QStringLiteral("--quiet"), QStringLiteral("--settings"),
                                      QStringLiteral("19200,N,8,1"), QStringLiteral("--device"),
                                      QStringLiteral("veltor"), QStringLiteral("upgrade"), file,
                                      QStringLiteral("--yes")});
        const double ms = timeMs([&] { cli.waitForFinished(600'000); });
        if (cli.exitCode() != 0) {
            std::fprintf(stderr, "korvo-bench: korvo-cli upgrade failed: %s%s\n",
                         cli.readAllStandardOutput().constData(), cli.readAllStandardError().constData());
            return -1.0;
        }
        return ms;
    };
    const double one = upgrade(ports.mid(0, 2));
    const double rack = one < 0 ? -1 : upgrade(ports.mid(2));
    for (const auto &sim : sims) {
        sim->terminate();
        sim->waitForFinished(5'000);
    }
    if (one < 0 || rack < 0)
        return 1;
    report("rack_one_ms", one, "ms");
    report("rack_ms", rack, "ms");
    report("rack_ratio", rack / one, "");
    return 0;
}

} // namespace

KORVO_BENCHMARK("rack", "korvo-cli upgrading eight simulated controllers at 19200 baud at once, against one",
                runRack);

KORVO_BENCHMARK("upgrade",
                "a 64 KB upgrade file in 16-byte records to korvo-sim on a pty, at 19200 baud and unpaced",
                runUpgrade);

} // namespace korvo::bench
