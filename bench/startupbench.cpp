// "startup": the main window opening a large workspace (9 terminals, 20 edit windows) to its first painted
// frame, against the toolkit's own floor for the same widgets (a main window holding nine terminal views
// and twenty Praxis editors, with no preferences, files or links) and a bare QMainWindow, in one process.

#include "benchregistry.h"
#include "benchworkspace.h"

#include "app/twips.h"
#include "editor/praxislexer.h"
#include "shell/mainwindow.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

using korvo::bench::FirstFrame;
using korvo::bench::freshOptions;

void writeProgram(const QString &path, int number)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (int line = 0; line < 200; ++line)
        file.write(QStringLiteral("PGM %1 ' axis %2 step %3\r\n  MA %4\r\n  H\r\nEND\r\n")
                       .arg(number)
                       .arg(line % 4)
                       .arg(line)
                       .arg(line * 125)
                       .toLatin1());
}

void writeWorkspace(const QString &folder)
{
    korvo::Preferences state;
    state.setup.state = 0;
    state.setup.width = 18000;
    state.setup.height = 12000;
    for (int n = 1; n <= 20; ++n) {
        const QString path = QDir(folder).filePath(QStringLiteral("axis%1.vxt").arg(n));
        writeProgram(path, n);
        state.ensureEditSlot(n);
        korvo::EditSlot &slot = state.editSlots[static_cast<std::size_t>(n)];
        slot = state.editSlots[0];
        slot.state = 0;
        slot.name = path;
        slot.top = slot.left = 350 * (n - 1);
    }
    state.docCt = 20;
    for (int n = 1; n <= korvo::kMaxTerminals; ++n) {
        state.ensureCommSlot(n);
        korvo::CommWindowSettings &slot = state.commSlots[static_cast<std::size_t>(n)];
        slot = state.commSlots[0];
        slot.state = 0;
        slot.name = QStringLiteral("Terminal %1").arg(n);
        slot.port = static_cast<int16_t>(n);
        slot.top = slot.left = 350 * (n - 1);
    }
    state.commCt = korvo::kMaxTerminals;
    korvo::bench::writePrefs(freshOptions(folder), state);
}

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
    QEventLoop loop;
    FirstFrame frame(loop);
    korvo::bench::DefaultAnswerPrompt prompt;
    std::unique_ptr<korvo::MainWindow> window;
    const StartTime time = measure([&] {
        window = std::make_unique<korvo::MainWindow>(options, prompt);
        frame.watch(window.get());
        window->start();
        loop.exec();
    });
    if (window->children()->all().size() != 29)
        std::fprintf(stderr, "startup: expected 29 windows, found %d\n",
                     int(window->children()->all().size()));
    return time;
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

// The same widgets as the workspace, built bare: what the toolkit needs to show them.
[[gnu::noinline]] StartTime toolkitFloor()
{
    const korvo::Preferences defaults;
    const korvo::CommWindowSettings &comm = defaults.commSlots[0];
    const korvo::EditSlot &edit = defaults.editSlots[0];
    const korvo::LanguageSets sets;
    const korvo::LanguageSet &styles = sets.set(korvo::UKorvo);
    const korvo::ViewParameters &view = styles.view;
    QEventLoop loop;
    FirstFrame frame(loop);
    std::unique_ptr<QMainWindow> window;
    std::vector<std::unique_ptr<korvo::TerminalScreen>> screens;
    const StartTime time = measure([&] {
        window = std::make_unique<QMainWindow>();
        frame.watch(window.get());
        auto *area = new QMdiArea;
        // Scroll bars as the program's workspace has them: this one overflows the area as well.
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        window->setCentralWidget(area);
        const QScreen *screen = area->screen();
        const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
        const auto place = [&](QWidget *widget, int n, int32_t width, int32_t height) {
            QMdiSubWindow *sub = area->addSubWindow(widget);
            const int offset = korvo::twipsToPixels(350 * n, dpi);
            sub->setGeometry(offset, offset, korvo::twipsToPixels(width, dpi),
                             korvo::twipsToPixels(height, dpi));
            sub->show();
        };
        // The style table's font and colours, set on the lexer directly: what any Scintilla lexer needs.
        const QFont font = QFontDatabase::hasFamily(view.font)
                               ? QFont(view.font)
                               : QFontDatabase::systemFont(QFontDatabase::FixedFont);
        for (int n = 0; n < 20; ++n) {
            auto *editor = new QsciScintilla;
            editor->setUtf8(true);
            auto *lexer = new korvo::PraxisLexer(editor);
            lexer->setDefaultFont(font);
            for (int type = 0; type < korvo::kPraxisTokenTypes; ++type) {
                const korvo::TokenStyle &token = styles.tokens[type];
                QFont styled = font;
                styled.setPointSizeF(view.size);
                styled.setBold(token.bold);
                styled.setItalic(token.italic);
                lexer->setFont(styled, type);
                lexer->setColor(korvo::styleColour(token.fore), type);
                lexer->setPaper(korvo::styleColour(token.back), type);
            }
            editor->setLexer(lexer);
            editor->setTabWidth(view.tab);
            place(editor, n, edit.width, edit.height);
        }
        for (int n = 0; n < korvo::kMaxTerminals; ++n) {
            screens.push_back(
                std::make_unique<korvo::TerminalScreen>(comm.rows, comm.columns, comm.scrollRows));
            auto *terminal = new korvo::TerminalView(*screens.back());
            terminal->setTerminalFont(comm.font, comm.size, comm.bold, comm.italic);
            place(terminal, n, comm.width, comm.height);
        }
        window->resize(korvo::twipsToPixels(18000, dpi), korvo::twipsToPixels(12000, dpi));
        window->show();
        loop.exec();
    });
    window.reset();
    return time;
}

int startupBenchmark(const QStringList &args)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "startup: no temporary folder: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    writeWorkspace(dir.path());
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
    return 0;
}

} // namespace

KORVO_WIDGET_BENCHMARK("startup",
                       "main window on a workspace of 9 terminals and 20 edit windows, to first frame",
                       startupBenchmark);
