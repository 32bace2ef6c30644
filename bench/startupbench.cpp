// "startup": the main window opening a large workspace (9 terminals, 20 edit windows) to its first painted
// frame, against the toolkit's own floor for the same widgets (a main window holding nine terminal views
// and twenty Praxis editors, with no preferences, files or links) and a bare QMainWindow, in one process;
// then once on a workspace of a thousand edit windows, where a cost per pair of windows would show.

#include "benchregistry.h"
#include "benchworkspace.h"

#include "shell/mainwindow.h"

#include <QEventLoop>
#include <QMainWindow>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

using korvo::bench::FirstFrame;
using korvo::bench::freshOptions;

constexpr int kManyEditWindows = 1000;

// Wall and processor time of one start; on a busy machine the processor time shows the program's own share.
struct StartTime
{
    double wallMs = 0;
    double cpuMs = 0;
};

template <class F> StartTime measure(F &&f)
{
    const std::clock_t cpuStart = std::clock();
    StartTime t;
    t.wallMs = korvo::bench::timeMs(std::forward<F>(f));
    t.cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    return t;
}

// Not inlined, so that a profiler can tell the workspace from the floor (valgrind --toggle-collect).
[[gnu::noinline]] StartTime workspaceStart(const QString &folder)
{
    const korvo::ProgramOptions options = freshOptions(folder);
    korvo::bench::DefaultAnswerPrompt prompt;
    std::unique_ptr<korvo::MainWindow> window;
    return measure([&] { window = korvo::bench::showWorkspace(options, prompt); });
}

StartTime minimalStart()
{
    QEventLoop loop;
    FirstFrame frame(loop);
    std::unique_ptr<QMainWindow> window;
    return measure([&] {
        window = std::make_unique<QMainWindow>();
        frame.watch(window.get());
        window->resize(1200, 800);
        window->show();
        loop.exec();
    });
}

[[gnu::noinline]] StartTime toolkitFloor()
{
    std::unique_ptr<korvo::bench::ToolkitFloor> floor;
    return measure([&] { floor = korvo::bench::showToolkitFloor(); });
}

int startupBenchmark(const QStringList &args)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "startup: no temporary folder: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    korvo::bench::writeLargeWorkspace(dir.path());
    const int runs = korvo::bench::runCount(args, 7);
    std::vector<double> workspace, workspaceCpu, minimal, minimalCpu, floor, floorCpu;
    for (int i = 0; i < runs; ++i) {
        const StartTime bare = minimalStart();
        minimal.push_back(bare.wallMs);
        minimalCpu.push_back(bare.cpuMs);
        const StartTime toolkit = toolkitFloor();
        floor.push_back(toolkit.wallMs);
        floorCpu.push_back(toolkit.cpuMs);
        const StartTime full = workspaceStart(dir.path());
        workspace.push_back(full.wallMs);
        workspaceCpu.push_back(full.cpuMs);
    }
    korvo::bench::report("startup_workspace_ms", korvo::bench::median(workspace), "ms");
    korvo::bench::report("startup_toolkit_floor_ms", korvo::bench::median(floor), "ms");
    korvo::bench::report("startup_minimal_ms", korvo::bench::median(minimal), "ms");
    korvo::bench::report("startup_workspace_cpu_ms", korvo::bench::median(workspaceCpu), "ms");
    korvo::bench::report("startup_toolkit_floor_cpu_ms", korvo::bench::median(floorCpu), "ms");
    korvo::bench::report("startup_minimal_cpu_ms", korvo::bench::median(minimalCpu), "ms");

    // Start-up must grow with the number of windows, not with its square.
    QTemporaryDir many;
    korvo::bench::writeLargeWorkspace(many.path(), kManyEditWindows);
    const korvo::ProgramOptions options = freshOptions(many.path());
    korvo::bench::DefaultAnswerPrompt prompt;
    std::unique_ptr<korvo::MainWindow> window;
    const StartTime manyStart = measure([&] {
        window = korvo::bench::showWorkspace(options, prompt, kManyEditWindows + korvo::kMaxTerminals);
    });
    korvo::bench::report("startup_1000_edit_windows_ms", manyStart.wallMs, "ms");
    korvo::bench::report("startup_1000_edit_windows_cpu_ms", manyStart.cpuMs, "ms");
    return 0;
}

} // namespace

KORVO_WIDGET_BENCHMARK("startup",
                       "main window on a workspace of 9 terminals and 20 edit windows, to first frame",
                       startupBenchmark);
