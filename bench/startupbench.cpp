// "startup": the main window opening a large workspace (9 terminals, 20 edit windows) to its first painted
// frame, against a bare QMainWindow in the same process.

#include "benchregistry.h"

#include "app/appstate.h"
#include "settings/prefsfile.h"
#include "ui/main/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

// Ends a wait once the first frame of a window has been painted in full: the whole widget tree is painted
// in one pass after the first paint event, so the next turn of the event loop is the end of the frame.
class FirstFrame : public QObject
{
public:
    explicit FirstFrame(QEventLoop &loop) : m_loop(loop) { qApp->installEventFilter(this); }
    ~FirstFrame() override { qApp->removeEventFilter(this); }
    void watch(QWidget *window) { m_window = window; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen && m_window && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window() == m_window) {
            m_seen = true;
            QTimer::singleShot(0, &m_loop, &QEventLoop::quit);
        }
        return false;
    }

private:
    QEventLoop &m_loop;
    QWidget *m_window = nullptr;
    bool m_seen = false;
};

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

korvo::AppState freshState(const QString &folder)
{
    korvo::AppState state;
    state.version = QStringLiteral("1.000.000");
    state.startDir = folder;
    state.programDir = QCoreApplication::applicationDirPath();
    state.prefFile = QDir(folder).filePath(QStringLiteral("korvoterm.ktm"));
    return state;
}

void writeWorkspace(const QString &folder)
{
    korvo::AppState state = freshState(folder);
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
    korvo::writeIniFile(state);
}

double workspaceStartMs(const QString &folder)
{
    korvo::app() = freshState(folder);
    QEventLoop loop;
    FirstFrame frame(loop);
    std::unique_ptr<korvo::MainWindow> window;
    const double ms = korvo::bench::timeMs([&] {
        window = std::make_unique<korvo::MainWindow>();
        frame.watch(window.get());
        window->start();
        loop.exec();
    });
    if (window->children()->all().size() != 29)
        std::fprintf(stderr, "startup: expected 29 windows, found %d\n",
                     int(window->children()->all().size()));
    return ms;
}

double minimalStartMs()
{
    QEventLoop loop;
    FirstFrame frame(loop);
    std::unique_ptr<QMainWindow> window;
    return korvo::bench::timeMs([&] {
        window = std::make_unique<QMainWindow>();
        frame.watch(window.get());
        window->resize(1200, 800);
        window->show();
        loop.exec();
    });
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
    std::vector<double> workspace;
    std::vector<double> minimal;
    for (int i = 0; i < runs; ++i) {
        minimal.push_back(minimalStartMs());
        workspace.push_back(workspaceStartMs(dir.path()));
    }
    korvo::bench::report("startup_workspace_ms", korvo::bench::median(workspace), "ms");
    korvo::bench::report("startup_minimal_ms", korvo::bench::median(minimal), "ms");
    return 0;
}

} // namespace

KORVO_WIDGET_BENCHMARK("startup",
                       "main window on a workspace of 9 terminals and 20 edit windows, to first frame",
                       startupBenchmark);
