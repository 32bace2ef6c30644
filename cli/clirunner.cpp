#include "clirunner.h"
#include "interruptwatch.h"

#include "app/atomicfile.h"
#include "app/clock.h"
#include "engine/enginebase.h"
#include "link/linkfactory.h"
#include "settings/inifile.h"
#include "settings/prefsfile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>
#include <cstdio>

namespace korvo::cli {

namespace {

QString durationText(qint64 ms)
{
    const qint64 s = (ms + 500) / 1000;
    return s >= 60 ? QStringLiteral("%1m%2s").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'))
                   : QStringLiteral("%1s").arg(s);
}

} // namespace

bool parseLinkOptions(QStringList &args, LinkOptions &options, QString *error)
{
    options.port = takeOption(args, QStringLiteral("--port"));
    options.settings = takeOption(args, QStringLiteral("--settings"));
    options.tcp = takeOption(args, QStringLiteral("--tcp"));
    const QString terminal = takeOption(args, QStringLiteral("--terminal"));
    options.prefs = takeOption(args, QStringLiteral("--prefs"), options.prefs);
    options.device = takeOption(args, QStringLiteral("--device"));
    const QString noAddress = QStringLiteral("\x01");
    const QString address = takeOption(args, QStringLiteral("--address"), noAddress);
    if (address != noAddress)
        options.address = address;
    options.json = takeFlag(args, QStringLiteral("--json"));
    options.quiet = takeFlag(args, QStringLiteral("--quiet"));
    options.trace = takeOption(args, QStringLiteral("--trace"));
    const QString timeScale = takeOption(args, QStringLiteral("--time-scale"), QStringLiteral("1"));
    options.timeScale = timeScale.toInt();
    if (options.timeScale < 1 || options.timeScale > 1000) {
        *error = QStringLiteral("--time-scale takes a factor 1..1000");
        return false;
    }

    if (!terminal.isEmpty()) {
        bool ok = false;
        options.terminal = terminal.toInt(&ok);
        if (!ok || options.terminal < 1 || options.terminal > 9) {
            *error = QStringLiteral("--terminal takes a terminal number 1..9");
            return false;
        }
    }
    const int sources =
        int(!options.port.isEmpty()) + int(!options.tcp.isEmpty()) + int(options.terminal > 0);
    if (sources == 0) {
        *error = QStringLiteral("no link: give --port DEVICE, --tcp HOST[:PORT] or --terminal N");
        return false;
    }
    if (!options.port.isEmpty() && !options.tcp.isEmpty()) {
        *error = QStringLiteral("give either --port or --tcp, not both");
        return false;
    }
    if (!options.device.isEmpty() && deviceFromOptionName(options.device) == PlainText) {
        *error = QStringLiteral("unknown device \"%1\" (ukorvo, 926q, hmi, veltor, fendra, nb)")
                     .arg(options.device);
        return false;
    }
    return true;
}

CliRunner::CliRunner(const LinkOptions &options, const QString &command)
    : m_options(options), m_command(command)
{
    // The trace runs on real time, whatever --time-scale does to the engines' clock.
    if (!options.trace.isEmpty())
        m_trace = std::make_unique<LineTrace>(systemClock());
    if (options.terminal > 0) {
        // The terminal's slot as the program would open it; options given as well override it.
        Preferences state;
        QString readError;
        const IniFile ini = IniFile::load(options.prefs, &readError);
        if (!readError.isEmpty()) {
            m_error = QStringLiteral("Cannot read %1: %2").arg(options.prefs, readError);
            return;
        }
        readPrefs(ini, state, false);
        if (size_t(options.terminal) >= state.commSlots.size()) {
            m_error = QStringLiteral("%1 has no Terminal %2").arg(options.prefs).arg(options.terminal);
            return;
        }
        m_settings = state.commSlots[size_t(options.terminal)];
        m_device = m_settings.device;
    }
    if (!options.port.isEmpty()) {
        m_settings.tcpipEnabled = false;
        m_settings.portName = options.port;
    }
    if (!options.tcp.isEmpty()) {
        m_settings.tcpipEnabled = true;
        m_settings.tcpAddress = options.tcp;
    }
    // A port named here is used as named, not the terminal's adapter wherever it is now.
    if (!options.port.isEmpty() || !options.tcp.isEmpty())
        m_settings.adapter = AdapterIdentity();
    if (!options.settings.isEmpty())
        m_settings.settings = options.settings;
    else if (options.terminal == 0)
        m_settings.settings = QStringLiteral("9600,N,8,1");
    if (!options.device.isEmpty())
        m_device = deviceFromOptionName(options.device);
    if (m_device > PlainText)
        m_settings.device = m_device;
    m_settings.connected = false;
}

CliRunner::~CliRunner() = default;

CommLink *CliRunner::link()
{
    if (m_link)
        return m_linkError.isEmpty() ? m_link.get() : nullptr;
    m_clock = std::make_unique<ScaledClock>(systemClock(), m_options.timeScale);
    m_link = std::make_unique<CommLink>(m_settings, *m_clock, systemLinkFactory());
    m_link->setTrace(m_trace.get());
    QObject::connect(m_link.get(), &CommLink::errorOccurred,
                     [this](const QString &text, const QString &, PromptIcon) {
                         if (m_linkError.isEmpty())
                             err(text);
                         m_linkError = text;
                     });
    m_link->connectComm(true);
    // The terminal's adapter is not plugged in: a job has no line to wait on.
    if (m_link->isWaiting() && m_linkError.isEmpty()) {
        m_linkError = QStringLiteral("%1 is not plugged in.").arg(adapterText(m_settings.adapter));
        err(m_linkError);
    }
    return m_linkError.isEmpty() ? m_link.get() : nullptr;
}

int CliRunner::run(DeviceEngine &engine, CommLink::LeaseKind kind,
                   const std::function<void(const EngineEvent &)> &onEvent,
                   const std::function<QString()> &progress)
{
    CommLink *commLink = link();
    if (!commLink)
        return UsageOrLink;

    QEventLoop loop;
    int result = Done;
    bool interrupted = false;
    EngineLease lease;
    const auto sink = [&](const std::vector<EngineEvent> &events) {
        for (const EngineEvent &event : events) {
            if (const auto *steps = event.as<EngineEvent::Progress>())
                m_steps = *steps;
            if (onEvent)
                onEvent(event);
            if (const auto *failure = event.as<EngineEvent::Failed>()) {
                result = interrupted ? Interrupted : JobFailed;
                if (!interrupted)
                    err(failure->reason);
            }
            // A job that ended with something to tell (a section the device never answered) did not
            // give the script all it asked for.
            if (const auto *finished = event.as<EngineEvent::Finished>();
                finished && !finished->note.isEmpty()) {
                result = JobFailed;
                for (const QString &line : finished->note.split(QStringLiteral("\r\n")))
                    err(line);
            }
            if (event.ends())
                loop.quit();
        }
    };

    // Ctrl+C is the window's Cancel: the engine ends its job cleanly.
    const InterruptWatch watch([&] {
        // The first Ctrl+C lets the engine end its job cleanly (an upgrade still sends its end record);
        // a second one stops waiting for it.
        if (interrupted || engine.isFinished()) {
            loop.quit();
            return;
        }
        interrupted = true;
        result = Interrupted;
        lease.cancel();
        if (engine.isFinished())
            loop.quit();
    });
    // Losing the link (a refused TCP connection, a vanished device) is "no link", whatever the engine was
    // doing; the engine has reported the reason as its failure.
    bool linkGone = false;
    const QMetaObject::Connection failed =
        QObject::connect(commLink, &CommLink::connectedChanged, [&](bool up) { linkGone = linkGone || !up; });

    // Every job tells how it goes once a second, however quiet the device is: its own figures when it has
    // them, else its steps.
    m_steps.reset();
    m_jobTimer.start();
    QTimer ticker;
    const auto progressText = [&] { return progress ? progress() : stepsText(); };
    if (!m_options.quiet) {
        QObject::connect(&ticker, &QTimer::timeout, [&] { err(progressText()); });
        ticker.start(1000);
    }
    lease = commLink->attach(engine, m_command, sink, kind);
    m_lease = &lease;
    if (!engine.isFinished() && result == Done)
        loop.exec();
    m_lease = nullptr;
    ticker.stop();
    if (!m_options.quiet && (progress || m_steps))
        err(progressText());
    QObject::disconnect(failed);
    lease.release();
    if (result == Done && !engine.isFinished())
        result = JobFailed;
    if (linkGone && result == JobFailed)
        result = UsageOrLink;
    return result;
}

bool CliRunner::writeTrace()
{
    if (!m_trace)
        return true;
    AtomicFile file(m_options.trace);
    if (file.write(traceLog(*m_trace)))
        return true;
    err(file.errorString());
    return false;
}

void CliRunner::pump()
{
    if (m_lease)
        m_lease->pump();
}

QString CliRunner::stepsText() const
{
    const qint64 elapsedMs = m_jobTimer.elapsed();
    QString line = QStringLiteral("%1 elapsed").arg(durationText(elapsedMs));
    if (!m_steps || m_steps->total <= 0)
        return line;
    const double rate = m_steps->done / (std::max<qint64>(elapsedMs, 1) / 1000.0);
    line = QStringLiteral("%1/%2, %3/s, ").arg(m_steps->done).arg(m_steps->total).arg(rate, 0, 'f', 1) + line;
    if (rate > 0 && m_steps->done < m_steps->total)
        line += QStringLiteral(", %1 left")
                    .arg(durationText(qint64((m_steps->total - m_steps->done) / rate * 1000)));
    return line;
}

void CliRunner::out(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void CliRunner::err(const QString &text)
{
    std::fprintf(stderr, "korvo-cli: %s\n", text.toLocal8Bit().constData());
}

void CliRunner::outJson(const QJsonObject &object)
{
    out(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

} // namespace korvo::cli
