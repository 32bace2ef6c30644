#include "benchsim.h"

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>

namespace korvo::bench {

QString startSimOnPty(QProcess &sim, const QStringList &args)
{
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/korvo-sim"), args);
    if (!sim.waitForStarted(10'000) || !sim.waitForReadyRead(10'000)) {
        const QString said = QString::fromLocal8Bit(sim.readAllStandardError()).trimmed();
        std::fprintf(stderr, "korvo-bench: korvo-sim %s did not start: %s\n", qPrintable(args.join(u' ')),
                     qPrintable(said.isEmpty() ? sim.errorString() : said));
        return {};
    }
    return QString::fromLocal8Bit(sim.readLine().trimmed());
}

QList<QByteArray> veltorListing(int variables, int programLines)
{
    QList<QByteArray> lines{"'[VARIABLES]"};
    for (int i = 0; i < variables; ++i)
        lines.append("VA V" + QByteArray::number(i) + " = " + QByteArray::number(i * 7));
    lines.append("");
    lines.append("'[PROGRAMS]");
    lines.append("PG 100  ");
    for (int i = 0; i < programLines; ++i)
        lines.append(QByteArray::number(100 + i) + "  MR " + QByteArray::number(i * 10));
    lines.append("        PG");
    lines.append("'[END]");
    return lines;
}

} // namespace korvo::bench
