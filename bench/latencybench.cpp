// "latency": what someone typing on a terminal waits for, first with the eight other terminals of the
// nine-window workspace quiet, then while they stream at 921,600 baud. key_to_wire runs from a key press
// posted to the terminal's view to its byte read on the far side of the pty; echo_to_paint from the echo
// read by the link (its line trace) to the paint event of the view whose area holds the echoed character's
// cell; key_to_paint is the whole way round. The device is the simulator's controller on a pty, run in this
// process on a thread of its own so that it echoes the moment it reads, whatever the GUI thread is doing.
// The keys come from a timer on another thread too, every 20 ms: like the window system's they are pressed
// on time and wait in the GUI thread's queue while it is busy.

#include "benchregistry.h"
#include "benchworkspace.h"
#include "simterminals.h"

#include "app/clock.h"
#include "link/commlink.h"
#include "link/linetrace.h"
#include "shell/mainwindow.h"
#include "sim/controllersim.h"
#include "sim/simpty.h"
#include "terminal/commwindow.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"

#include <QCoreApplication>
#include <QInputDevice>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <memory>
#include <mutex>

namespace {

constexpr int kStreaming = 8;
constexpr qint64 kLineRate = 92160; // bytes per second of 921,600 baud (ten bits a byte)
constexpr int kKeyIntervalMs = 20;  // a brisk typist
constexpr int kDefaultKeys = 200;
constexpr int kWarmUpKeys = 20; // the first glyphs and the first writes on the line, not counted
constexpr int kSettleMs = 1000; // the streams in full flow before the keys under load
constexpr int kEchoSlot = kStreaming + 1;

qint64 nowNs()
{
    return korvo::systemClock().nowNs();
}

// Bytes with the time each was seen, written on one thread and read on another.
class Stamps
{
public:
    void add(qint64 ns, const QByteArray &bytes)
    {
        const std::lock_guard lock(m_mutex);
        for (const char byte : bytes)
            m_seen.push_back({ns, byte});
    }
    struct Seen
    {
        qint64 ns;
        char byte;
    };
    std::vector<Seen> snapshot() const
    {
        const std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Seen> m_seen;
};

// A thread with an event loop of its own; run() calls f there and waits for it.
class Worker
{
public:
    Worker()
    {
        m_thread.start();
        m_context.moveToThread(&m_thread);
    }
    ~Worker()
    {
        m_thread.quit();
        m_thread.wait();
    }
    template <class F> void run(F f)
    {
        QMetaObject::invokeMethod(&m_context, f, Qt::BlockingQueuedConnection);
    }
    QObject &context() { return m_context; }

private:
    QThread m_thread;
    QObject m_context;
};

// The simulator's controller on a pty of its own, on its worker thread: it echoes each typed character as
// soon as it reads it. What it reads is stamped.
class EchoDevice
{
public:
    ~EchoDevice()
    {
        m_worker.run([this] {
            m_pty.reset();
            m_controller.reset();
        });
    }
    bool open(QString *error)
    {
        bool opened = false;
        m_worker.run([&] {
            m_controller = std::make_unique<korvo::ControllerSim>();
            m_pty = std::make_unique<korvo::SimPty>(*m_controller);
            QObject::connect(m_pty.get(), &korvo::SimPty::bytesReceived, &m_worker.context(),
                             [this](const QByteArray &bytes) { m_read.add(nowNs(), bytes); });
            opened = m_pty->open(error);
        });
        return opened;
    }
    QString path() const { return m_pty->path(); }
    const Stamps &read() const { return m_read; }

private:
    Stamps m_read;
    std::unique_ptr<korvo::ControllerSim> m_controller;
    std::unique_ptr<korvo::SimPty> m_pty;
    Worker m_worker; // destroyed first: nothing runs on it while the rest goes
};

// Presses letter keys on a widget from its worker thread, every kKeyIntervalMs, each stamped as it is posted.
class Typist
{
public:
    explicit Typist(QWidget &target) : m_target(target)
    {
        // The first key event makes the keyboard device a platform without one lacks: here, on the GUI thread
        // that owns the application it hangs from.
        QInputDevice::primaryKeyboard();
        m_worker.run([this] {
            m_timer = std::make_unique<QTimer>();
            m_timer->setTimerType(Qt::PreciseTimer);
            m_timer->setInterval(kKeyIntervalMs);
            QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] { press(); });
        });
    }
    ~Typist()
    {
        m_worker.run([this] { m_timer.reset(); });
    }
    void type(int count)
    {
        m_worker.run([this, count] {
            m_left = count;
            m_timer->start();
        });
    }
    const Stamps &pressed() const { return m_pressed; }

private:
    void press()
    {
        const char letter = char('a' + m_count++ % 26);
        const QString text(QChar::fromLatin1(letter));
        const auto key = Qt::Key(Qt::Key_A + (letter - 'a'));
        m_pressed.add(nowNs(), QByteArray(1, letter));
        QCoreApplication::postEvent(&m_target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
        QCoreApplication::postEvent(&m_target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        if (--m_left <= 0)
            m_timer->stop();
    }

    QWidget &m_target;
    Stamps m_pressed;
    std::unique_ptr<QTimer> m_timer;
    int m_left = 0;
    int m_count = 0;
    Worker m_worker;
};

// Follows the echoes on the GUI thread: when the link read each (from its line trace), where it landed on the
// screen, and the first paint event of the view whose area covers that cell. The terminal may paint before
// this hears of the bytes (it is told after the window), so the paints since the last bytes are kept.
class EchoWatch : public QObject
{
public:
    struct Echo
    {
        char byte;
        qint64 arrivalNs;
        qint64 line; // counted from the first line the screen ever had
        int column;
        qint64 paintNs = -1;
    };

    explicit EchoWatch(korvo::CommWindow &terminal)
        : m_terminal(terminal), m_traceStartNs(nowNs()), m_trace(korvo::systemClock())
    {
        terminal.link().setTrace(&m_trace);
        // Connected after the window's own connection: the screen has taken the bytes in when this runs.
        connect(&terminal.link(), &korvo::CommLink::dataReceived, this, &EchoWatch::received);
        terminal.view().viewport()->installEventFilter(this);
    }
    ~EchoWatch() override { m_terminal.link().setTrace(nullptr); }

    const std::vector<Echo> &echoes() const { return m_echoes; }
    bool allPainted() const { return m_unpainted == m_echoes.size(); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        const QRect area = static_cast<QPaintEvent *>(event)->rect();
        const korvo::TerminalView &view = m_terminal.view();
        const QSize cell = view.cellSize();
        const qint64 topLine = m_terminal.screen().droppedLines() + view.firstVisibleLine();
        const int x0 = -view.horizontalScrollBar()->value();
        const Paint paint{nowNs(), topLine + area.top() / cell.height(),
                          topLine + area.bottom() / cell.height(), (area.left() - x0) / cell.width(),
                          (area.right() - x0) / cell.width()};
        m_paints.push_back(paint);
        match(paint);
        return false;
    }

private:
    // A paint event's area in cells.
    struct Paint
    {
        qint64 ns;
        qint64 firstLine;
        qint64 lastLine;
        int firstColumn;
        int lastColumn;
    };

    void match(const Paint &paint)
    {
        for (size_t i = m_unpainted; i < m_echoes.size(); ++i) {
            Echo &echo = m_echoes[i];
            if (echo.paintNs < 0 && paint.ns >= echo.arrivalNs && echo.line >= paint.firstLine &&
                echo.line <= paint.lastLine && echo.column >= paint.firstColumn &&
                echo.column <= paint.lastColumn)
                echo.paintNs = paint.ns;
        }
        while (m_unpainted < m_echoes.size() && m_echoes[m_unpainted].paintNs >= 0)
            ++m_unpainted;
    }

    void received(const QByteArray &data)
    {
        qint64 arrival = -1;
        for (qsizetype i = m_trace.size(); i-- > 0;)
            if (m_trace.at(i).kind == korvo::TraceEvent::Kind::Received) {
                arrival = m_traceStartNs + m_trace.at(i).timeUs * 1000;
                break;
            }
        // The last character is left of the cursor, or under it while it waits at the last column to wrap.
        const korvo::TerminalScreen &screen = m_terminal.screen();
        const int line = screen.scrollbackCount() + screen.cursorRow();
        int column = screen.cursorColumn();
        if (screen.cell(line, column).ch != char32_t(uchar(data.back())))
            --column;
        const qint64 last = (screen.droppedLines() + line) * screen.columns() + column;
        for (qsizetype k = 0; k < data.size(); ++k) {
            const qint64 at = last - (data.size() - 1 - k);
            m_echoes.push_back({data[k], arrival, at / screen.columns(), int(at % screen.columns())});
        }
        // Later bytes arrive after every paint so far.
        for (const Paint &paint : std::exchange(m_paints, {}))
            match(paint);
    }

    korvo::CommWindow &m_terminal;
    qint64 m_traceStartNs;
    korvo::LineTrace m_trace;
    std::vector<Echo> m_echoes;
    size_t m_unpainted = 0;
    std::vector<Paint> m_paints; // since the last bytes arrived
};

struct Figures
{
    std::vector<double> keyToWire;
    std::vector<double> echoToPaint;
    std::vector<double> keyToPaint;
};

// Types count keys and waits for their echoes to be painted; the figures of the keys from first on.
Figures typeKeys(Typist &typist, const EchoDevice &device, const EchoWatch &watch, int count, bool counted)
{
    const size_t first = typist.pressed().snapshot().size();
    typist.type(count);
    korvo::bench::runFor(
        count * kKeyIntervalMs + 10000,
        [&] { return watch.echoes().size() >= first + size_t(count) && watch.allPainted(); }, 50);
    Figures figures;
    if (!counted)
        return figures;
    const std::vector<Stamps::Seen> pressed = typist.pressed().snapshot();
    const std::vector<Stamps::Seen> read = device.read().snapshot();
    const std::vector<EchoWatch::Echo> &echoes = watch.echoes();
    int lost = 0;
    for (size_t i = first; i < first + size_t(count); ++i) {
        if (i >= read.size() || i >= echoes.size() || echoes[i].paintNs < 0 ||
            read[i].byte != pressed[i].byte || echoes[i].byte != pressed[i].byte) {
            ++lost;
            continue;
        }
        const auto ms = [](qint64 from, qint64 to) { return double(to - from) / 1e6; };
        figures.keyToWire.push_back(ms(pressed[i].ns, read[i].ns));
        figures.echoToPaint.push_back(ms(echoes[i].arrivalNs, echoes[i].paintNs));
        figures.keyToPaint.push_back(ms(pressed[i].ns, echoes[i].paintNs));
    }
    if (lost > 0)
        std::fprintf(stderr, "latency: %d of %d keys were not echoed in order or not painted\n", lost, count);
    return figures;
}

int keysOf(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--keys"));
    bool ok = false;
    const int keys = at >= 0 ? args.value(at + 1).toInt(&ok) : 0;
    return ok && keys > 0 ? keys : kDefaultKeys;
}

int measure(korvo::MainWindow &window, EchoDevice &device, std::vector<korvo::CommWindow *> &streaming,
            int keys)
{
    auto *terminal =
        qobject_cast<korvo::CommWindow *>(window.childWidget(korvo::WindowKind::Terminal, kEchoSlot));
    // In front, so that nothing hides the cells the echoes land in.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(terminal->parentWidget()))
        window.mdiArea()->setActiveSubWindow(sub);
    EchoWatch watch(*terminal);
    Typist typist(terminal->view());
    typeKeys(typist, device, watch, kWarmUpKeys, false);
    const Figures idle = typeKeys(typist, device, watch, keys, true);

    qint64 streamed = 0;
    for (korvo::CommWindow *other : streaming) {
        QObject::connect(&other->link(), &korvo::CommLink::dataReceived, &watch,
                         [&streamed](const QByteArray &data) { streamed += data.size(); });
        other->link().writeToPort("STREAM\r");
    }
    korvo::bench::runFor(kSettleMs, [] { return false; });
    const qint64 streamedBefore = streamed;
    const qint64 loadStart = nowNs();
    const Figures loaded = typeKeys(typist, device, watch, keys, true);
    const double loadSeconds = double(nowNs() - loadStart) / 1e9;
    const qint64 loadBytes = streamed - streamedBefore;
    for (korvo::CommWindow *other : streaming)
        other->link().writeToPort("STOP\r");

    using korvo::bench::percentile;
    using korvo::bench::report;
    report("key_to_wire_p50_ms", percentile(idle.keyToWire, 0.5), "ms");
    report("key_to_wire_p99_ms", percentile(idle.keyToWire, 0.99), "ms");
    report("echo_to_paint_p50_ms", percentile(idle.echoToPaint, 0.5), "ms");
    report("echo_to_paint_p99_ms", percentile(idle.echoToPaint, 0.99), "ms");
    report("key_to_paint_p99_ms", percentile(idle.keyToPaint, 0.99), "ms");
    report("key_to_wire_loaded_p99_ms", percentile(loaded.keyToWire, 0.99), "ms");
    report("echo_to_paint_loaded_p99_ms", percentile(loaded.echoToPaint, 0.99), "ms");
    report("key_to_paint_loaded_p99_ms", percentile(loaded.keyToPaint, 0.99), "ms");
    report("load_streams_kb_s", double(loadBytes) / 1024.0 / loadSeconds, "KB/s");
    const size_t expected = size_t(keys);
    return idle.keyToWire.size() == expected && loaded.keyToWire.size() == expected ? 0 : 1;
}

int latency(const QStringList &args)
{
    const int keys = keysOf(args);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "latency: no temporary folder: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    std::vector<korvo::bench::StreamingSim> sims(kStreaming);
    QStringList ptys;
    for (korvo::bench::StreamingSim &sim : sims) {
        if (!korvo::bench::startStreamingSim(sim, kLineRate, "latency"))
            return 1;
        ptys << sim.pty;
    }
    EchoDevice device;
    if (QString error; !device.open(&error)) {
        std::fprintf(stderr, "latency: no pty for the echoing device: %s\n", qPrintable(error));
        return 1;
    }
    ptys << device.path();
    korvo::Preferences workspace = korvo::bench::terminalWorkspace(ptys);
    // The typing terminal sits in the corner, with room for all its rows and columns.
    korvo::CommWindowSettings &echoSlot = workspace.commSlots[size_t(kEchoSlot)];
    echoSlot.top = echoSlot.left = 0;
    echoSlot.rows = 20;
    echoSlot.width = 9000;
    echoSlot.height = 7500;
    korvo::bench::writePrefs(korvo::bench::freshOptions(dir.path()), workspace);

    korvo::bench::ReportingPrompt prompt("latency");
    int result = 1;
    {
        korvo::MainWindow window(korvo::bench::freshOptions(dir.path()), prompt);
        window.start();
        std::vector<korvo::CommWindow *> terminals;
        for (int n = 1; n <= kEchoSlot; ++n)
            terminals.push_back(
                qobject_cast<korvo::CommWindow *>(window.childWidget(korvo::WindowKind::Terminal, n)));
        if (std::any_of(terminals.begin(), terminals.end(),
                        [](korvo::CommWindow *t) { return !t || !t->isConnected(); })) {
            std::fprintf(stderr, "latency: not every terminal window opened and connected\n");
        } else {
            terminals.pop_back();
            result = measure(window, device, terminals, keys);
        }
    }
    for (korvo::bench::StreamingSim &sim : sims)
        sim.stop();
    return prompt.count > 0 ? 1 : result;
}

} // namespace

KORVO_WIDGET_BENCHMARK(
    "latency", "key to wire and echo to paint on a terminal, idle and while eight others stream (--keys N)",
    latency);
