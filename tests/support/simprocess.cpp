#include "simprocess.h"

#include <QDir>
#include <QTest>
#include <algorithm>

namespace korvo {

QString builtProgram(const char *name)
{
    return QDir(qEnvironmentVariable("KORVO_BIN_DIR")).filePath(QString::fromLatin1(name));
}

SimProcess::SimProcess(const QStringList &args)
{
    m_process.start(builtProgram("korvo-sim"), QStringList{QStringLiteral("--pty")} + args);
    if (!m_process.waitForStarted(10000))
        return;
    while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
    }
    const QString first = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (first.startsWith(u'/'))
        m_path = first;
}

SimProcess::~SimProcess()
{
    stop();
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (m_process.waitForFinished(10000))
        return;
    m_process.kill();
    m_process.waitForFinished();
}

QString SimProcess::errors()
{
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}

QStringList CliRun::messages() const
{
    QStringList lines;
    for (const QString &line : err.split(u'\n'))
        if (line.startsWith(QStringLiteral("korvo-cli: ")))
            lines.append(line.mid(11));
    return lines;
}

QString CliRun::unexpected(int expectedExit, const QString &naming) const
{
    const QString said = QStringLiteral("; stdout: %1; stderr: %2").arg(out.left(400), err.left(400));
    if (!finished)
        return QStringLiteral("still running") + said;
    if (exitCode != expectedExit)
        return QStringLiteral("exit status %1, not %2").arg(exitCode).arg(expectedExit) + said;
    if (naming.isEmpty())
        return {};
    const QStringList lines = messages();
    const auto names = [&naming](const QString &line) { return line.contains(naming); };
    if (std::count_if(lines.begin(), lines.end(), names) != 1 || !names(lines.last()))
        return QStringLiteral("not one last message naming \"%1\"").arg(naming) + said;
    return {};
}

CliRun runKorvoCli(const QStringList &args, int timeoutMs)
{
    QProcess cli;
    cli.start(builtProgram("korvo-cli"),
              QStringList{QStringLiteral("--time-scale"), QStringLiteral("10")} + args);
    cli.closeWriteChannel();
    CliRun run;
    run.finished = cli.waitForFinished(timeoutMs);
    if (!run.finished) {
        cli.kill();
        cli.waitForFinished();
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(cli.readAllStandardError());
    return run;
}

QStringList LineFault::simArgs(Class fault, qint64 afterBytes, double rate, int seed)
{
    const auto faults = [&](const char *kind) {
        return QStringList{QStringLiteral("--line-faults"),
                           QStringLiteral("%1=%2,seed=%3").arg(QLatin1String(kind)).arg(rate).arg(seed)};
    };
    const QString after = QString::number(afterBytes);
    switch (fault) {
    case Clean:
        return {};
    case Corrupt:
        return faults("corrupt");
    case Drop:
        return faults("drop");
    case Dup:
        return faults("dup");
    case Stall:
        return {QStringLiteral("--stall-after"), after};
    case Reset:
        return {QStringLiteral("--reset-after"), after};
    case Hangup:
        return {QStringLiteral("--hangup-after"), after};
    }
    return {};
}

LineFaults::Settings LineFault::settings(const QStringList &simArgs)
{
    LineFaults::Settings settings;
    for (qsizetype i = 0; i + 1 < simArgs.size(); i += 2) {
        const QString &option = simArgs.at(i);
        const QString &value = simArgs.at(i + 1);
        QString error;
        if (option == u"--line-faults")
            LineFaults::parseRates(value, &settings, &error);
        else if (option == u"--stall-after")
            settings.stallAfter = value.toLongLong();
        else if (option == u"--reset-after")
            settings.resetAfter = value.toLongLong();
        else if (option == u"--hangup-after")
            settings.hangupAfter = value.toLongLong();
    }
    return settings;
}

void addFaultColumns()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("naming");
}

} // namespace korvo
