// "terminal": received text through the receive dispatcher, screen model and painting view, against the
// same bytes fed straight into libvterm, for plain lines, dense colour escapes and cursor motion.

#include "benchregistry.h"

#include "terminal/terminaldisplay.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <random>
#include <vterm.h>

namespace {

constexpr qsizetype kDataSize = 4 * 1024 * 1024;
constexpr qsizetype kChunk = 4096; // about what one serial or socket notification hands over
constexpr int kScrollRows = 2000;

QByteArray plainLines()
{
    std::mt19937 rng(7);
    QByteArray data;
    data.reserve(kDataSize + 256);
    while (data.size() < kDataSize)
        data += "ACCEL = G " + QByteArray::number(rng() % 100000) + "  SPEED = G " +
                QByteArray::number(rng() % 5000) + "  position " + QByteArray::number(rng() % 1000000) +
                " counts, station ok\r\n";
    return data.left(kDataSize);
}

QByteArray denseColour()
{
    std::mt19937 rng(11);
    QByteArray data;
    data.reserve(kDataSize + 256);
    while (data.size() < kDataSize) {
        for (int word = 0; word < 8; ++word)
            data += "\x1b[" + QByteArray::number(rng() % 2) + ';' + QByteArray::number(30 + rng() % 8) + ';' +
                    QByteArray::number(40 + rng() % 8) + "mword" + QByteArray::number(rng() % 100) +
                    "\x1b[0m ";
        data += "\r\n";
    }
    return data.left(kDataSize);
}

QByteArray cursorMotion(int rows, int columns)
{
    std::mt19937 rng(13);
    QByteArray data;
    data.reserve(kDataSize + 256);
    while (data.size() < kDataSize) {
        data += "\x1b[" + QByteArray::number(1 + rng() % rows) + ';' +
                QByteArray::number(1 + rng() % columns) + "Hvalue " + QByteArray::number(rng() % 100000);
        if (rng() % 4 == 0)
            data += "\x1b[K";
    }
    return data.left(kDataSize);
}

double rawLibvterm(const QByteArray &data, int rows, int columns)
{
    std::unique_ptr<VTerm, void (*)(VTerm *)> vt(vterm_new(rows, columns), vterm_free);
    vterm_set_utf8(vt.get(), 1);
    VTermScreen *screen = vterm_obtain_screen(vt.get());
    // The least a scroll-back needs: every line leaving the top is copied out.
    static std::vector<VTermScreenCell> sink;
    static const VTermScreenCallbacks callbacks = {
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        [](int cols, const VTermScreenCell *cells, void *) {
            sink.assign(cells, cells + cols);
            return 1;
        },
        nullptr,
    };
    vterm_screen_set_callbacks(screen, &callbacks, nullptr);
    vterm_screen_set_damage_merge(screen, VTERM_DAMAGE_SCROLL);
    vterm_screen_reset(screen, 1);
    QElapsedTimer timer;
    timer.start();
    for (qsizetype at = 0; at < data.size(); at += kChunk) {
        vterm_input_write(vt.get(), data.constData() + at, size_t(std::min(kChunk, data.size() - at)));
        vterm_screen_flush_damage(screen);
    }
    return double(data.size()) / (1024.0 * 1024.0) / (double(timer.nsecsElapsed()) / 1e9);
}

double throughOurs(const QByteArray &data, int rows, int columns)
{
    korvo::TerminalScreen screen(rows, columns, kScrollRows);
    korvo::TerminalDisplay dispatcher(screen);
    korvo::TerminalView view(screen);
    view.resize(view.sizeHint());
    view.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (qsizetype at = 0; at < data.size(); at += kChunk) {
        dispatcher.receive(data.mid(at, kChunk));
        // The view paints from the event loop when its 60 Hz timer has fired; the loop's own cost per
        // notification is the same with or without our layers, so it is left out.
        if (sinceEvents.elapsed() >= 4) {
            QApplication::processEvents();
            sinceEvents.restart();
        }
    }
    view.viewport()->repaint();
    return double(data.size()) / (1024.0 * 1024.0) / (double(timer.nsecsElapsed()) / 1e9);
}

int run(const QStringList &args)
{
    const int runs = korvo::bench::runCount(args, 3);
    const struct
    {
        int rows;
        int columns;
        const char *name;
    } grids[] = {{24, 80, "80x24"}, {50, 200, "200x50"}};
    for (const auto &grid : grids) {
        const std::pair<const char *, QByteArray> sets[] = {
            {"plain", plainLines()},
            {"colour", denseColour()},
            {"cursor", cursorMotion(grid.rows, grid.columns)},
        };
        for (const auto &[name, data] : sets) {
            std::vector<double> ours;
            std::vector<double> raw;
            for (int i = 0; i < runs; ++i) {
                raw.push_back(rawLibvterm(data, grid.rows, grid.columns));
                ours.push_back(throughOurs(data, grid.rows, grid.columns));
            }
            const QByteArray suffix = QByteArray(name) + '_' + grid.name + "_mb_s";
            korvo::bench::report(("screen_" + suffix).constData(), korvo::bench::median(ours), "MB/s");
            korvo::bench::report(("libvterm_" + suffix).constData(), korvo::bench::median(raw), "MB/s");
        }
    }
    return 0;
}

} // namespace

KORVO_WIDGET_BENCHMARK("terminal", "received text through dispatcher, screen and view vs raw libvterm", run);
