// "nine-windows": the main window with nine terminal windows, each on a pty to its own korvo-sim. Eight
// devices stream at the byte rate of 921,600 baud, the ninth as fast as its pty takes it. The streams are
// sequenced, so what each terminal's receive path got is checked against what its device sent, while a
// 5 ms timer on the GUI thread measures how late the event loop gets round to it.

#include "benchregistry.h"
#include "benchworkspace.h"
#include "simterminals.h"

#include "link/commlink.h"
#include "shell/mainwindow.h"
#include "sim/streamchecker.h"
#include "terminal/commwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

using korvo::StreamChecker;

constexpr int kTerminals = 9;
constexpr qint64 kLineRate = 92160; // bytes per second of 921,600 baud (ten bits a byte)
constexpr int kTickMs = 5;
constexpr int kRssAfterSeconds = 5;
constexpr int kDrainTimeoutMs = 15000;

struct Device
{
    korvo::bench::StreamingSim sim;
    StreamChecker checker;
    korvo::CommWindow *window = nullptr;
};

// Lateness of a repeating timer on the GUI thread.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kTickMs);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last >= 0)
                m_late.push_back(std::max(0.0, double(now - m_last) / 1e6 - kTickMs));
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double percentile(double p) const { return korvo::bench::percentile(m_late, p); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    std::vector<double> m_late;
};

int runStreams(std::vector<Device> &devices, int seconds, int rssAfterSeconds)
{
    for (Device &device : devices)
        QObject::connect(&device.window->link(), &korvo::CommLink::dataReceived, device.window,
                         [&device](const QByteArray &data) { device.checker.feed(data); });
    for (Device &device : devices)
        device.window->link().writeToPort("STREAM\r");

    StallMeter stalls;
    QElapsedTimer elapsed;
    elapsed.start();
    const int rssAfter = std::min(rssAfterSeconds * 1000, seconds * 1000 / 2);
    korvo::bench::runFor(rssAfter, [] { return false; });
    const double rssStart = korvo::bench::residentMb();
    korvo::bench::runFor(seconds * 1000 - rssAfter, [] { return false; });
    const double rssEnd = korvo::bench::residentMb();
    const double streamedSeconds = double(elapsed.nsecsElapsed()) / 1e9;
    const qint64 fastBytes = devices.back().checker.validBytes();
    stalls.stop();

    for (Device &device : devices)
        device.window->link().writeToPort("STOP\r");
    korvo::bench::runFor(kDrainTimeoutMs, [&] {
        return std::all_of(devices.begin(), devices.end(),
                           [](const Device &d) { return d.checker.finished(); });
    });
    qint64 lost = 0;
    for (int n = 0; n < kTerminals; ++n) {
        const StreamChecker &checker = devices[size_t(n)].checker;
        if (!checker.finished())
            std::fprintf(stderr, "nine-windows: terminal %d never saw the end of its stream\n", n + 1);
        lost += checker.lostBytes();
    }
    korvo::bench::report("lost_bytes", double(lost), "bytes");
    korvo::bench::report("gui_stall_p99_ms", stalls.percentile(0.99), "ms");
    korvo::bench::report("gui_stall_max_ms", stalls.percentile(1.0), "ms");
    korvo::bench::report("rss_growth_mb", rssEnd - rssStart, "MB");
    korvo::bench::report("fast_window_mb_s", double(fastBytes) / (1024.0 * 1024.0) / streamedSeconds, "MB/s");
    return 0;
}

int nineWindows(const QStringList &args)
{
    const int seconds = korvo::bench::optionValue(args, QStringLiteral("--seconds"), 30);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "nine-windows: no temporary folder: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    std::vector<Device> devices(kTerminals);
    QStringList ptys;
    for (int n = 0; n < kTerminals; ++n) {
        if (!korvo::bench::startStreamingSim(devices[size_t(n)].sim, n + 1 < kTerminals ? kLineRate : 0,
                                             "nine-windows"))
            return 1;
        ptys << devices[size_t(n)].sim.pty;
    }
    korvo::bench::writePrefs(korvo::bench::freshOptions(dir.path()), korvo::bench::terminalWorkspace(ptys));

    korvo::bench::ReportingPrompt prompt("nine-windows");
    int result = 1;
    {
        korvo::MainWindow window(korvo::bench::freshOptions(dir.path()), prompt);
        window.start();
        bool connected = true;
        for (int n = 1; n <= kTerminals; ++n) {
            auto *terminal =
                qobject_cast<korvo::CommWindow *>(window.childWidget(korvo::WindowKind::Terminal, n));
            devices[size_t(n - 1)].window = terminal;
            connected = connected && terminal && terminal->isConnected();
        }
        if (!connected)
            std::fprintf(stderr, "nine-windows: not every terminal window opened and connected\n");
        else
            result =
                runStreams(devices, seconds,
                           korvo::bench::optionValue(args, QStringLiteral("--rss-after"), kRssAfterSeconds));
    }
    for (Device &device : devices)
        device.sim.stop();
    return prompt.count > 0 ? 1 : result;
}

} // namespace

KORVO_WIDGET_BENCHMARK(
    "nine-windows",
    "nine terminals on ptys, eight streaming at 92 KB/s and one flat out (--seconds N, --rss-after N)",
    nineWindows);
