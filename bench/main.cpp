// korvo-bench: runs one registered benchmark by name; without a name it lists them.

#include "benchregistry.h"

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <memory>

using korvo::bench::Benchmark;
using korvo::bench::benchmarks;

static void listBenchmarks()
{
    std::vector<Benchmark> sorted = benchmarks();
    std::sort(sorted.begin(), sorted.end(),
              [](const Benchmark &a, const Benchmark &b) { return qstrcmp(a.name, b.name) < 0; });
    std::printf("usage: korvo-bench <benchmark> [--runs N] [--seconds N]\nbenchmarks:\n");
    for (const Benchmark &b : sorted)
        std::printf("  %-12s %s\n", b.name, b.summary);
}

int main(int argc, char *argv[])
{
    if (argc < 2) {
        listBenchmarks();
        return 0;
    }
    const auto found = std::find_if(benchmarks().begin(), benchmarks().end(),
                                    [&](const Benchmark &b) { return qstrcmp(b.name, argv[1]) == 0; });
    if (found == benchmarks().end()) {
        std::fprintf(stderr, "korvo-bench: no benchmark named \"%s\"\n", argv[1]);
        listBenchmarks();
        return 2;
    }
    // Widget benchmarks measure work, not a screen: without a display they draw off-screen.
    if (found->needsWidgets && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (found->needsWidgets)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    return found->run(QCoreApplication::arguments().mid(2));
}
