#include "benchregistry.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace korvo::bench {

std::vector<Benchmark> &benchmarks()
{
    static std::vector<Benchmark> all;
    return all;
}

Registrar::Registrar(const char *name, const char *summary, bool needsWidgets, BenchFunction run)
{
    benchmarks().push_back(Benchmark{name, summary, needsWidgets, std::move(run)});
}

void report(const char *name, double value, const char *unit)
{
    std::printf("%s %.3g %s\n", name, value, unit);
    std::fflush(stdout);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

int runCount(const QStringList &args, int fallback)
{
    return optionValue(args, QStringLiteral("--runs"), fallback);
}

int optionValue(const QStringList &args, const QString &option, int fallback)
{
    const qsizetype at = args.indexOf(option);
    if (at < 0 || at + 1 >= args.size())
        return fallback;
    bool ok = false;
    const int value = args.at(at + 1).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

} // namespace korvo::bench
