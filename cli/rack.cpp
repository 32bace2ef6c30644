#include "rack.h"

#include "clicommand.h"
#include "interruptwatch.h"

#include "app/wholefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace korvo::cli {

namespace {

// One link of the rack: --port or --tcp with its name, and the options its line in a links file gives.
struct RackLink
{
    QStringList options;
    QStringList own;
    QString name;
    std::unique_ptr<QProcess> process;
    QElapsedTimer timer;
    qint64 ms = 0;
    int code = -1;
};

// The link's name as it can stand in a file name: /dev/ttyUSB0 -> ttyUSB0, 10.0.0.5:503 -> 10.0.0.5_503.
QString fileSafeName(QString name)
{
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]+"));
    name.replace(unsafe, QStringLiteral("_"));
    while (name.startsWith(u'_') || name.startsWith(u'.'))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("link") : name;
}

// --port and --tcp, every time they are given, taken out of args.
std::vector<RackLink> takeLinks(QStringList &args)
{
    std::vector<RackLink> links;
    for (;;) {
        qsizetype at = -1;
        for (qsizetype i = 0; i + 1 < args.size() && at < 0; ++i)
            if (args[i] == QLatin1String("--port") || args[i] == QLatin1String("--tcp"))
                at = i;
        if (at < 0)
            return links;
        RackLink link;
        link.options = {args[at], args[at + 1]};
        link.name = args[at + 1];
        args.remove(at, 2);
        links.push_back(std::move(link));
    }
}

// A links file: one link per line, as options (--port DEVICE or --tcp HOST[:PORT], then options of its own
// such as --settings, --address or upgrade's --serial); a line that starts with a device path is its --port.
// Blank lines and # comments are skipped.
bool readLinksFile(const QString &path, std::vector<RackLink> &links, QString *error)
{
    QByteArray bytes;
    QString reason;
    if (!readWholeFile(path, FileKind::Preferences, &bytes, &reason)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(path, reason);
        return false;
    }
    int number = 0;
    for (const QByteArray &text : bytes.split('\n')) {
        ++number;
        const QString line = QString::fromLocal8Bit(text).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        QStringList words = QProcess::splitCommand(line);
        if (!words.first().startsWith(QLatin1String("--")))
            words.prepend(QStringLiteral("--port"));
        std::vector<RackLink> found = takeLinks(words);
        if (found.size() != 1) {
            *error = QStringLiteral("%1:%2: give one --port or --tcp").arg(path).arg(number);
            return false;
        }
        found.front().own = words;
        links.push_back(std::move(found.front()));
    }
    return true;
}

QString resultText(int code)
{
    switch (code) {
    case Done:
        return QStringLiteral("done");
    case JobFailed:
        return QStringLiteral("failed");
    case UsageOrLink:
        return QStringLiteral("not started");
    case Interrupted:
        return QStringLiteral("interrupted");
    default:
        return QStringLiteral("crashed");
    }
}

} // namespace

bool isRack(const QStringList &args)
{
    return args.count(QStringLiteral("--port")) + args.count(QStringLiteral("--tcp")) > 1 ||
           args.contains(QStringLiteral("--links")) ||
           std::any_of(args.begin(), args.end(),
                       [](const QString &arg) { return arg.startsWith(QLatin1String("--links=")); });
}

int runRack(QStringList args)
{
    std::vector<RackLink> links = takeLinks(args);
    const QString linksFile = takeOption(args, QStringLiteral("--links"));
    QString error;
    if (!linksFile.isEmpty() && !readLinksFile(linksFile, links, &error)) {
        std::fprintf(stderr, "korvo-cli: %s\n", qPrintable(error));
        return UsageOrLink;
    }
    if (links.empty()) {
        std::fputs("korvo-cli: no link: give --port DEVICE, --tcp HOST[:PORT] or --links FILE\n", stderr);
        return UsageOrLink;
    }
    const bool json = takeFlag(args, QStringLiteral("--json"));
    // Every link's job reports only its failure: the summary tells the rest.
    takeFlag(args, QStringLiteral("--quiet"));

    QEventLoop loop;
    int running = 0;
    for (RackLink &link : links) {
        // The link's own options replace the shared ones of the same name.
        QStringList shared = args;
        for (const QString &word : std::as_const(link.own))
            if (word.startsWith(QLatin1String("--")))
                takeOption(shared, word);
        QStringList childArgs = link.options + QStringList{QStringLiteral("--quiet")};
        const QString safeName = fileSafeName(link.name);
        for (const QString &arg : std::as_const(shared) + link.own)
            childArgs.append(QString(arg).replace(QLatin1String("{port}"), safeName));
        link.process = std::make_unique<QProcess>();
        // Its own process group: Ctrl+C reaches each job once, through the rack, not twice.
        link.process->setChildProcessModifier([] { ::setpgid(0, 0); });
        link.process->setProcessChannelMode(QProcess::SeparateChannels);
        RackLink *self = &link;
        QObject::connect(link.process.get(), &QProcess::finished,
                         [self, &running, &loop](int code, QProcess::ExitStatus status) {
                             self->ms = self->timer.elapsed();
                             self->code = status == QProcess::NormalExit ? code : -1;
                             if (--running == 0)
                                 loop.quit();
                         });
        QObject::connect(link.process.get(), &QProcess::errorOccurred,
                         [self, &running, &loop](QProcess::ProcessError e) {
                             if (e != QProcess::FailedToStart)
                                 return;
                             self->ms = self->timer.elapsed();
                             if (--running == 0)
                                 loop.quit();
                         });
        link.timer.start();
        link.process->start(QCoreApplication::applicationFilePath(), childArgs);
        // Nobody answers a job's question on a rack: it reads the end of its input.
        link.process->closeWriteChannel();
        ++running;
    }

    // Ctrl+C stops every job the way it stops one: each ends its job cleanly.
    bool interrupted = false;
    {
        const InterruptWatch watch([&] {
            interrupted = true;
            for (const RackLink &link : std::as_const(links))
                if (link.process->state() != QProcess::NotRunning)
                    ::kill(pid_t(link.process->processId()), SIGINT);
        });
        if (running > 0)
            loop.exec();
    }

    bool allDone = true;
    for (const RackLink &link : std::as_const(links)) {
        allDone = allDone && link.code == Done;
        // The job's first message (why it failed, when it did) without the program's name before it; else
        // its last result line (verify's "identical", find-baud's rate).
        const QStringList errors =
            QString::fromLocal8Bit(link.process->readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        const QStringList results =
            QString::fromLocal8Bit(link.process->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QString message =
            !errors.isEmpty()
                ? QString(errors.first()).remove(QRegularExpression(QStringLiteral("^korvo-cli: ")))
            : results.isEmpty() ? QString()
                                : results.last();
        if (link.code == -1 && message.isEmpty())
            message = link.process->errorString();
        const QString result = resultText(link.code);
        const double seconds = link.ms / 1000.0;
        if (json) {
            const QJsonObject object{{QStringLiteral("link"), link.name},
                                     {QStringLiteral("result"), result},
                                     {QStringLiteral("exit"), link.code},
                                     {QStringLiteral("seconds"), seconds},
                                     {QStringLiteral("message"), message}};
            std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
        } else {
            std::printf("%s  %s  %.1fs%s\n", qPrintable(link.name), qPrintable(result), seconds,
                        message.isEmpty() ? "" : qPrintable(QStringLiteral("  ") + message));
        }
    }
    std::fflush(stdout);
    if (interrupted)
        return Interrupted;
    return allDone ? Done : JobFailed;
}

} // namespace korvo::cli
