// "memory": what the program holds in memory. Each figure comes from a process of its own (this program
// started again with "--part"), so that nothing one measurement allocated is counted by the next:
// - the large workspace at its first frame against the toolkit floor of the same widgets;
// - one terminal filled past its largest scroll-back with coloured 200-column lines: bytes per stored cell,
//   and what 1,000 received lines cost once the scroll-back is full against what they cost when it was empty;
// - the nine-window run held for a minute (or --minutes N): how far the resident set moved after the
//   first sixth of it (at most its first minute).

#include "benchregistry.h"
#include "benchworkspace.h"

#include "shell/mainwindow.h"
#include "terminal/terminaldisplay.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>

namespace {

using korvo::bench::report;
using korvo::bench::residentMb;

constexpr int kScrollColumns = 200;
constexpr int kMaxScrollRows = 32767; // the largest scroll-back the Preferences dialog takes
constexpr int kBlockLines = 1000;
constexpr int kMeasuredBlocks = 3; // blocks timed at the start, and again once the scroll-back is full
constexpr qsizetype kChunk = 4096; // about what one serial or socket notification hands over

int floorPart()
{
    const std::unique_ptr<korvo::bench::ToolkitFloor> floor = korvo::bench::showToolkitFloor();
    report("memory_floor_mb", residentMb(), "MB");
    return 0;
}

int workspacePart()
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "memory: no temporary folder: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    korvo::bench::writeLargeWorkspace(dir.path());
    korvo::bench::DefaultAnswerPrompt prompt;
    const std::unique_ptr<korvo::MainWindow> window =
        korvo::bench::showWorkspace(korvo::bench::freshOptions(dir.path()), prompt);
    report("memory_workspace_mb", residentMb(), "MB");
    return 0;
}

// kBlockLines full-width lines of words in changing colours, some bold, some on a coloured background.
QByteArray colouredBlock(std::mt19937 &rng)
{
    QByteArray data;
    for (int line = 0; line < kBlockLines; ++line) {
        int column = 0;
        while (column < kScrollColumns) {
            QByteArray word =
                "AXIS" + QByteArray::number(rng() % 10) + "=" + QByteArray::number(rng() % 100000);
            word = word.left(kScrollColumns - column - 1) + ' ';
            data += "\x1b[" + QByteArray::number(rng() % 2) + ';' + QByteArray::number(30 + rng() % 8);
            if (rng() % 4 == 0)
                data += ';' + QByteArray::number(40 + rng() % 8);
            data += 'm' + word;
            column += int(word.size());
        }
        data += "\x1b[0m\r\n";
    }
    return data;
}

double cpuMs()
{
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

// A terminal window's screen, receive path and view, filled past its largest scroll-back.
int scrollbackPart()
{
    const korvo::CommWindowSettings comm;
    korvo::TerminalScreen screen(comm.rows, kScrollColumns, kMaxScrollRows);
    korvo::TerminalDisplay dispatcher(screen);
    korvo::TerminalView view(screen);
    view.resize(view.sizeHint());
    view.show();
    QApplication::processEvents();

    std::mt19937 rng(17);
    const QByteArray blocks[] = {colouredBlock(rng), colouredBlock(rng), colouredBlock(rng)};
    const double rssBefore = residentMb();
    std::vector<double> atStart;
    std::vector<double> whenFull;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (int block = 0; int(whenFull.size()) < kMeasuredBlocks; ++block) {
        const bool full = screen.scrollbackCount() == kMaxScrollRows;
        const QByteArray &data = blocks[block % std::size(blocks)];
        const double start = cpuMs();
        for (qsizetype at = 0; at < data.size(); at += kChunk) {
            dispatcher.receive(data.mid(at, kChunk));
            // The view paints from the event loop when its frame timer has fired.
            if (sinceEvents.elapsed() >= 4) {
                QApplication::processEvents();
                sinceEvents.restart();
            }
        }
        const double spent = cpuMs() - start;
        if (full)
            whenFull.push_back(spent);
        else if (atStart.size() < kMeasuredBlocks)
            atStart.push_back(spent);
    }
    const double cells = double(screen.scrollbackCount()) * kScrollColumns;
    report("scrollback_bytes_per_cell", (residentMb() - rssBefore) * 1024.0 * 1024.0 / cells, "bytes");
    const double startCost = korvo::bench::median(atStart);
    const double fullCost = korvo::bench::median(whenFull);
    report("terminal_scrollback_start_ms_per_1000_lines", startCost, "ms");
    report("terminal_scrollback_full_ms_per_1000_lines", fullCost, "ms");
    report("terminal_scrollback_growth_ratio", fullCost / startCost, "x");
    return 0;
}

// Runs this program with args and returns the "name value unit" lines it prints.
QList<QByteArray> figuresOf(const QStringList &args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "memory: korvo-bench %s failed\n", qPrintable(args.join(QLatin1Char(' '))));
        return {};
    }
    QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

double valueOf(const QList<QByteArray> &figures, const QByteArray &name)
{
    for (const QByteArray &line : figures)
        if (line.startsWith(name + ' '))
            return line.split(' ').value(1).toDouble();
    return 0;
}

QList<QByteArray> partOf(const char *part)
{
    return figuresOf({QStringLiteral("memory"), QStringLiteral("--part"), QString::fromLatin1(part)});
}

int run(const QStringList &args)
{
    if (const qsizetype at = args.indexOf(QStringLiteral("--part")); at >= 0) {
        const QString part = args.value(at + 1);
        if (part == QLatin1String("floor"))
            return floorPart();
        if (part == QLatin1String("workspace"))
            return workspacePart();
        if (part == QLatin1String("scrollback"))
            return scrollbackPart();
        std::fprintf(stderr, "memory: no part named \"%s\"\n", qPrintable(part));
        return 2;
    }

    std::vector<double> workspace;
    std::vector<double> floor;
    for (int i = korvo::bench::runCount(args, 3); i > 0; --i) {
        floor.push_back(valueOf(partOf("floor"), "memory_floor_mb"));
        workspace.push_back(valueOf(partOf("workspace"), "memory_workspace_mb"));
    }
    const double workspaceMb = korvo::bench::median(workspace);
    const double floorMb = korvo::bench::median(floor);
    report("memory_workspace_mb", workspaceMb, "MB");
    report("memory_floor_mb", floorMb, "MB");
    report("memory_ratio", floorMb > 0 ? workspaceMb / floorMb : 0, "x");

    for (const QByteArray &line : partOf("scrollback"))
        std::printf("%s\n", line.constData());
    std::fflush(stdout);

    const int seconds = 60 * korvo::bench::optionValue(args, QStringLiteral("--minutes"), 1);
    const QList<QByteArray> nine =
        figuresOf({QStringLiteral("nine-windows"), QStringLiteral("--seconds"), QString::number(seconds),
                   QStringLiteral("--rss-after"), QString::number(std::min(60, seconds / 6))});
    report("memory_growth_mb", valueOf(nine, "rss_growth_mb"), "MB");
    return 0;
}

} // namespace

KORVO_WIDGET_BENCHMARK(
    "memory",
    "resident memory: large workspace vs toolkit floor, scroll-back per cell, nine windows "
    "over a minute (--minutes N)",
    run);
