// korvo-cli upgrade FILE [--serial S] [--type T] [--yes]: the wizard's steps 7 to 10 without a window. The
// file is scanned and checked, the controller identified and checked against it, the pre-flight report
// printed, and after confirmation (or --yes) the records are sent. Exit 1 on a refused file, a record
// NAKed twice or a controller that stops answering.

#include "clicommand.h"

#include "upgrade/upgradecheck.h"
#include "upgrade/upgradeengine.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSocketNotifier>
#include <unistd.h>

namespace korvo::cli {

namespace {

// The answer to "Upgrade the controller now?", read from stdin while the event loop runs: Ctrl+C at the
// question is then the job's Cancel at once, as at any other moment of the job.
class Confirmation
{
public:
    explicit Confirmation(std::function<void(bool yes)> answered) : m_answered(std::move(answered)) {}

    void ask(CliContext &ctx)
    {
        ctx.err(QStringLiteral("Upgrade the controller now? [y/N]"));
        m_notifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readSome(); });
    }

private:
    void readSome()
    {
        char bytes[256];
        const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (n > 0)
            m_line.append(bytes, n);
        if (n > 0 && !m_line.contains('\n'))
            return;
        // End of input is no.
        m_notifier->setEnabled(false);
        const bool yes = !m_line.isEmpty() && (m_line.at(0) == 'y' || m_line.at(0) == 'Y');
        m_answered(yes);
    }

    std::function<void(bool)> m_answered;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_line;
};

int upgradeCommand(CliContext &ctx, const QStringList &arguments)
{
    QStringList args = arguments;
    const QString serialOption = takeOption(args, QStringLiteral("--serial"));
    const QString typeOption = takeOption(args, QStringLiteral("--type"));
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    if (args.size() != 1) {
        ctx.err(QStringLiteral("usage: upgrade FILE [--serial S] [--type T] [--yes]"));
        return UsageOrLink;
    }
    const DeviceType device = ctx.device();
    if (upgradeProcedureFor(device) == UpgradeProcedure::None) {
        ctx.err(QStringLiteral("upgrade needs --device ukorvo, veltor or fendra"));
        return UsageOrLink;
    }
    QString error;
    const std::optional<UpgradeScan> scan = scanUpgradeFile(args.first(), device, &error);
    if (!scan) {
        ctx.err(QStringLiteral("Could not find Upgrade File %1: %2").arg(args.first(), error));
        return UsageOrLink;
    }
    if (const QString problem = scanProblem(*scan, device); scan->refused()) {
        ctx.err(QStringLiteral("Illegal Upgrade File: %1").arg(problem));
        return JobFailed;
    } else if (!problem.isEmpty()) {
        ctx.err(QStringLiteral("Note: %1").arg(problem));
    }
    const UpgradePlan plan = planUpgrade(*scan, device);

    CommWindowSettings &settings = ctx.settings();
    settings.device = device;
    UpgradeEngine engine(UpgradeOptions::fromSettings(settings));
    CommLink *link = ctx.link();
    if (!link)
        return UsageOrLink;

    int result = Done;
    QJsonObject json;
    QString serial;
    QString type;
    const auto now = [link] { return link->nowMs(); };
    const auto startTransfer = [&](bool confirmed) {
        if (!confirmed) {
            ctx.err(QStringLiteral("Not confirmed: nothing sent"));
            result = JobFailed;
            engine.close(now());
        } else if (!engine.upgrade(now(), plan, scan->totalBytes, serial, type)) {
            ctx.err(QStringLiteral("Serial number and type number take more than %1 characters together")
                        .arg(kIdentityAreaChars));
            result = UsageOrLink;
            engine.close(now());
        }
    };
    Confirmation confirmation([&](bool confirmed) {
        startTransfer(confirmed);
        ctx.pump();
    });
    const auto onEvent = [&](const EngineEvent &event) {
        if (!event.is<EngineEvent::Status>())
            return;
        switch (engine.phase()) {
        case UpgradeEngine::Phase::Idle:
            engine.establish(now(), *scan);
            break;
        case UpgradeEngine::Phase::CommFailed:
            ctx.err(QStringLiteral("COMM not Established: no answer to \"%1\"")
                        .arg(QString::fromLatin1(engine.lastQuery())));
            result = JobFailed;
            engine.close(now());
            break;
        case UpgradeEngine::Phase::Refused:
            if (engine.refusal().isEmpty())
                ctx.err(QStringLiteral("The controller refused \"%1\"")
                            .arg(QString::fromLatin1(engine.lastQuery())));
            else if (upgradeProcedureFor(device) == UpgradeProcedure::UKorvo)
                ctx.err(engine.refusal().simplified() + u' ' +
                        coreVersionsText(engine.controllerCore(), scan->coreVersionText));
            else
                ctx.err(engine.refusal().simplified());
            result = JobFailed;
            engine.close(now());
            break;
        case UpgradeEngine::Phase::Ready: {
            serial = serialOption.isEmpty() ? engine.serialNumber() : serialOption;
            type = typeOption.isEmpty() ? engine.typeNumber() : typeOption;
            PreflightFacts facts{scan->versionText,
                                 engine.controllerVersion(),
                                 scan->coreVersionText,
                                 engine.controllerCore(),
                                 19200,
                                 settings.tcpipEnabled ? 0 : settings.lineDelay};
            const QStringList report = preflightReport(plan, facts);
            json[QStringLiteral("records")] = plan.recordsOnLine();
            json[QStringLiteral("bytes")] = plan.dataBytes;
            json[QStringLiteral("fileVersion")] = scan->versionText;
            json[QStringLiteral("controllerVersion")] = engine.controllerVersion();
            json[QStringLiteral("serial")] = serial;
            json[QStringLiteral("type")] = type;
            json[QStringLiteral("preflight")] = QJsonArray::fromStringList(report);
            json[QStringLiteral("estimatedMs")] =
                estimatedTransferMs(plan, facts.baud, facts.pauseMsPerRecord);
            if (!ctx.json())
                ctx.out(report.join(u'\n'));
            else if (!yes)
                ctx.err(report.join(u'\n')); // the question needs the report beside it
            if (yes)
                startTransfer(true);
            else
                confirmation.ask(ctx);
            break;
        }
        case UpgradeEngine::Phase::TransferDone:
            engine.close(now());
            break;
        case UpgradeEngine::Phase::TransferFailed:
            ctx.err(QStringLiteral("Failed: %1").arg(engine.transferProblem()));
            result = JobFailed;
            engine.close(now());
            break;
        case UpgradeEngine::Phase::TransferAborted:
            ctx.err(QStringLiteral("Aborted"));
            result = JobFailed;
            engine.close(now());
            break;
        default:
            break;
        }
    };
    const int ran = ctx.run(engine, CommLink::LeaseKind::Exclusive, onEvent);
    if (ran != Done)
        return ran;
    json[QStringLiteral("result")] = result == Done ? QStringLiteral("done") : QStringLiteral("failed");
    json[QStringLiteral("recordsSent")] = engine.recordsSent();
    if (ctx.json())
        ctx.outJson(json);
    else if (result == Done)
        ctx.out(
            QStringLiteral("Done: %1 records, %2 bytes").arg(engine.recordsSent()).arg(engine.bytesSent()));
    return result;
}

} // namespace

const CliHelp kHelp{
    "upgrade FILE [--serial S] [--type T] [--yes]",
    "Replaces the controller's firmware (needs --device ukorvo, veltor or fendra): checks every record of "
    "the upgrade file (a damaged one is refused, naming its line, before anything is sent), identifies the "
    "controller, prints the pre-flight report (records, bytes, ranges, file and controller versions, "
    "estimated time), asks for confirmation on stdin unless --yes, then sends the records.",
    {{"FILE", "the upgrade file (.zel)"},
     {"--serial S", "the serial number to keep in the controller (default: the one it reports)"},
     {"--type T", "the type number to keep in the controller (default: the one it reports)"},
     {"--yes", "upgrade without asking"}},
    "an illegal upgrade file, a controller that does not answer or refuses a query, a record refused twice, "
    "an aborted transfer, or no confirmation",
    {{"records", "records the file sends"},
     {"bytes", "data bytes the file sends"},
     {"fileVersion", "the firmware version in the file"},
     {"controllerVersion", "the version the controller reported"},
     {"serial", "serial number written"},
     {"type", "type number written"},
     {"preflight", "the pre-flight report, one text per line"},
     {"estimatedMs", "the estimated time of the transfer in milliseconds"},
     {"result", "\"done\" or \"failed\""},
     {"recordsSent", "records the controller acknowledged"}}};

KORVO_CLI_COMMAND("upgrade", kHelp, upgradeCommand);

} // namespace korvo::cli
