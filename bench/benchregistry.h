#pragma once

// The benchmark registry of korvo-bench: each benchmark is one .cpp file that registers a name, a summary
// and a function with KORVO_BENCHMARK (or KORVO_WIDGET_BENCHMARK when it needs a QApplication), and
// prints its figures with report() as "name value unit" lines.

#include <QStringList>
#include <chrono>
#include <functional>
#include <vector>

namespace korvo::bench {

// Arguments after the subcommand's name; the result is the process exit code.
using BenchFunction = std::function<int(const QStringList &args)>;

struct Benchmark
{
    const char *name;
    const char *summary;
    bool needsWidgets;
    BenchFunction run;
};

std::vector<Benchmark> &benchmarks();

struct Registrar
{
    Registrar(const char *name, const char *summary, bool needsWidgets, BenchFunction run);
};

// One figure, printed as "name value unit".
void report(const char *name, double value, const char *unit);
double median(std::vector<double> values);
// The value below which the fraction p (0..1) of the values lie; 1 gives the largest.
double percentile(std::vector<double> values, double p);
// "--runs N" among the arguments, else the fallback.
int runCount(const QStringList &args, int fallback);
// The positive number after option (say "--seconds") among the arguments, else the fallback.
int optionValue(const QStringList &args, const QString &option, int fallback);
// What the process holds in memory now (its resident set), in MB.
double residentMb();

// Milliseconds one call of f takes.
template <class F> double timeMs(F &&f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace korvo::bench

#define KORVO_BENCH_CONCAT2(a, b) a##b
#define KORVO_BENCH_CONCAT(a, b) KORVO_BENCH_CONCAT2(a, b)
#define KORVO_BENCHMARK(name, summary, function)                                                             \
    static const korvo::bench::Registrar KORVO_BENCH_CONCAT(korvoBench_, __LINE__)(name, summary, false,     \
                                                                                   function)
#define KORVO_WIDGET_BENCHMARK(name, summary, function)                                                      \
    static const korvo::bench::Registrar KORVO_BENCH_CONCAT(korvoBench_, __LINE__)(name, summary, true,      \
                                                                                   function)
