// "growth": whether a long job costs more per line at its end than at its start. A 50,000-line Veltor listing
// is uploaded through the upload/download dialog into a coloured edit window and into a file and downloaded
// from a file, each on a terminal window over a pty to korvo-sim, which answers as fast as the pty takes it;
// then the SPI window sends 11,000 one-byte messages to korvo-sim --spi-converter, so that its log fills to
// its 10,000 exchanges and then drops the oldest. The simulator runs in a process of its own, so the cost of
// a slice is the processor time of this process (the program's side) over it: for 10,000 lines (1,000
// exchanges) near the start, after the first 2,000 (1,000), and for the last ones, each the median of its
// slices of 1,000 lines (100 exchanges), per 1,000.

#include "benchregistry.h"
#include "benchsim.h"
#include "benchworkspace.h"

#include "app/clock.h"
#include "editor/editwindow.h"
#include "editor/languageset.h"
#include "functionkeys/capturefile.h"
#include "link/linkfactory.h"
#include "spi/spicommwindow.h"
#include "terminal/commwindow.h"
#include "transfer/transferdialog.h"
#include "ui/childwindow.h"
#include "ui/filedialogs.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <memory>

namespace korvo::bench {
namespace {

constexpr int kVariables = 998;
constexpr int kProgramLines = 49'000; // with the variables and the headers, about 50,000 listing lines
constexpr int kExchanges = 11'000;

double processCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

// Processor time against the work done so far: lines the device has sent (counted by their LF) or
// exchanges begun (the converter's port opens once per exchange). Each sample is taken as new work comes
// in, before the program sees it, so it holds the cost of everything counted before it.
class WorkMeter
{
public:
    void sample(qint64 countBefore) { m_samples.push_back({countBefore, processCpuMs()}); }
    void addLines(const QByteArray &data)
    {
        sample(m_count);
        m_count += data.count('\n');
    }
    void addOne()
    {
        sample(m_count);
        ++m_count;
    }
    qint64 count() const { return m_count; }
    // The work whose cost is known: what came before the last sample (what came with it is processed
    // after it, and what follows belongs to the job's end).
    qint64 measured() const { return m_samples.empty() ? 0 : m_samples.back().count; }
    void reset()
    {
        m_samples.clear();
        m_count = 0;
    }
    // Processor milliseconds per 1,000 units from unit from to unit to, interpolated between samples.
    double msPer1000(qint64 from, qint64 to) const
    {
        return (cpuAt(to) - cpuAt(from)) * 1000.0 / double(to - from);
    }

private:
    struct Sample
    {
        qint64 count;
        double cpuMs;
    };
    double cpuAt(qint64 count) const
    {
        for (std::size_t i = 1; i < m_samples.size(); ++i) {
            const Sample &a = m_samples[i - 1];
            const Sample &b = m_samples[i];
            if (b.count < count)
                continue;
            if (b.count == a.count)
                return b.cpuMs;
            return a.cpuMs + (b.cpuMs - a.cpuMs) * double(count - a.count) / double(b.count - a.count);
        }
        return m_samples.empty() ? 0.0 : m_samples.back().cpuMs;
    }
    std::vector<Sample> m_samples;
    qint64 m_count = 0;
};

// The system's serial port with the meter watching what comes in and each opening.
class MeteredSerial final : public SerialLink
{
public:
    MeteredSerial(std::unique_ptr<SerialLink> port, WorkMeter &meter, bool countOpens)
        : m_port(std::move(port)), m_meter(meter), m_countOpens(countOpens)
    {
        connect(m_port.get(), &SerialLink::readyRead, this, &SerialLink::readyRead);
        connect(m_port.get(), &SerialLink::lost, this, &SerialLink::lost);
    }
    bool open(const QString &portName, const QString &settings) override
    {
        if (m_countOpens)
            m_meter.addOne();
        return m_port->open(portName, settings);
    }
    void close() override { m_port->close(); }
    bool isOpen() const override { return m_port->isOpen(); }
    QString portName() const override { return m_port->portName(); }
    bool setSettings(const QString &settings) override { return m_port->setSettings(settings); }
    bool write(const QByteArray &data) override { return m_port->write(data); }
    QByteArray readAll() override
    {
        QByteArray data = m_port->readAll();
        if (!m_countOpens && !data.isEmpty())
            m_meter.addLines(data);
        return data;
    }
    qint64 bytesAvailable() const override { return m_port->bytesAvailable(); }
    bool hasBytesWaiting() const override { return m_port->hasBytesWaiting(); }
    void setRts(bool on) override { m_port->setRts(on); }
    void setDtr(bool on) override { m_port->setDtr(on); }
    QString errorString() const override { return m_port->errorString(); }

private:
    std::unique_ptr<SerialLink> m_port;
    WorkMeter &m_meter;
    bool m_countOpens;
};

class MeteredLinks final : public LinkFactory
{
public:
    MeteredLinks(WorkMeter &meter, bool countOpens) : m_meter(meter), m_countOpens(countOpens) {}
    std::unique_ptr<SerialLink> createSerial() override
    {
        return std::make_unique<MeteredSerial>(systemLinkFactory().createSerial(), m_meter, m_countOpens);
    }
    std::unique_ptr<SocketLink> createSocket() override { return systemLinkFactory().createSocket(); }
    QList<SerialPortEntry> availablePorts() const override { return systemSerialPorts(); }

private:
    WorkMeter &m_meter;
    bool m_countOpens;
};

struct Growth
{
    double startMs = 0; // per 1,000
    double endMs = 0;
};

void reportGrowth(const char *name, const Growth &growth)
{
    report((QByteArray(name) + "_start_ms_per_1000").constData(), growth.startMs, "ms");
    report((QByteArray(name) + "_end_ms_per_1000").constData(), growth.endMs, "ms");
    report((QByteArray(name) + "_growth_ratio").constData(), growth.endMs / growth.startMs, "x");
}

// The cost near the start (after the first skip units) and at the end, over window units each: the median
// of its slices, so that one late timer or paint does not pass for growth.
Growth growthOf(const WorkMeter &meter, qint64 skip, qint64 window, qint64 slice)
{
    const auto cost = [&](qint64 from) {
        std::vector<double> slices;
        for (qint64 at = from; at + slice <= from + window; at += slice)
            slices.push_back(meter.msPer1000(at, at + slice));
        return median(slices);
    };
    return {cost(skip), cost(meter.measured() - window)};
}

// A terminal window on a simulated Veltor's pty, an edit window for Veltor programs and the upload/download
// dialog over them, as the main window puts them together; all of them on the screen.
class TransferDesk
{
public:
    TransferDesk(const QString &pty, WorkMeter &meter, LanguageSets &languages) : m_links(meter, false)
    {
        m_settings.portName = pty;
        m_settings.connected = true;
        m_settings.device = Veltor;
        m_terminal = std::make_unique<CommWindow>(1, m_settings, systemClock(), m_links, m_capture,
                                                  realFileDialogs(), m_prompt, m_host, QString());
        m_prefs.ensureEditSlot(1);
        m_prefs.editSlots[1] = m_prefs.editSlots[0];
        m_edit = std::make_unique<EditWindow>(1, m_prefs.editSlots[1],
                                              EditWindowSettings{m_prefs.setup, m_prefs.styles, languages,
                                                                 QCoreApplication::applicationDirPath()},
                                              realFileDialogs(), m_prompt, m_host);
        m_edit->setFileType(QStringLiteral("VXT"));
        m_terminal->resize(700, 500);
        m_edit->resize(800, 600);
        m_terminal->show();
        m_edit->show();
    }

    // Runs one job through the dialog to its end; false (reported) when it failed.
    bool run(TransferJob::Kind kind, bool toFile, const QString &fileName)
    {
        TransferSetup setup;
        setup.memory.toFile = toFile;
        setup.editWindows = 1;
        setup.programDir = QCoreApplication::applicationDirPath();
        TransferDialog *dialog = TransferDialog::open(&m_dialogHost, realFileDialogs(), m_prompt, kind,
                                                      m_terminal.get(), m_edit.get(), setup);
        (toFile ? dialog->fileOption() : dialog->editOption())->setChecked(true);
        dialog->fileNameEdit()->setText(fileName);
        dialog->box(0)->setChecked(kind == TransferJob::Kind::Upload);
        dialog->box(2)->setChecked(kind == TransferJob::Kind::Upload);
        QEventLoop loop;
        bool ok = false;
        QString message;
        const QMetaObject::Connection ended =
            QObject::connect(dialog, &TransferDialog::jobEnded, &loop, [&](bool done, const QString &text) {
                ok = done;
                message = text;
                loop.quit();
            });
        QTimer::singleShot(300'000, &loop, &QEventLoop::quit);
        dialog->startButton()->click();
        if (dialog->isRunning())
            loop.exec();
        QObject::disconnect(ended);
        if (!ok)
            std::fprintf(stderr, "growth: the %s did not finish: %s\n",
                         qPrintable(TransferJob::kindName(kind)), qPrintable(message));
        return ok;
    }

    EditWindow &edit() { return *m_edit; }

private:
    MeteredLinks m_links;
    DefaultAnswerPrompt m_prompt;
    IdleCommandHost m_host;
    QWidget m_dialogHost;
    CaptureFile m_capture;
    CommWindowSettings m_settings;
    Preferences m_prefs;
    std::unique_ptr<CommWindow> m_terminal;
    std::unique_ptr<EditWindow> m_edit;
};

bool writeListing(const QString &path, const QList<QByteArray> &lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(lines.join("\r\n") + "\r\n") < 0) {
        std::fprintf(stderr, "growth: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

// Uploads into the edit window and into a file, and downloads; false when a job failed.
bool transfers(const QString &folder)
{
    const QList<QByteArray> lines = veltorListing(kVariables, kProgramLines);
    const QString listing = folder + QStringLiteral("/listing.vxt");
    if (!writeListing(listing, lines))
        return false;
    Preferences prefs;
    LanguageSets languages;
    languages.loadAll(prefs.styles, QCoreApplication::applicationDirPath());
    WorkMeter meter;
    constexpr qint64 kSkip = 2'000;
    constexpr qint64 kWindow = 10'000;
    {
        QProcess sim;
        const QString pty =
            startSimOnPty(sim, {QStringLiteral("--device"), QStringLiteral("veltor"), QStringLiteral("--pty"),
                                QStringLiteral("--memory"), listing});
        if (pty.isEmpty())
            return false;
        TransferDesk desk(pty, meter, languages);
        meter.reset();
        if (!desk.run(TransferJob::Kind::Upload, false, QString()))
            return false;
        if (desk.edit().editor()->lines() < lines.size()) {
            std::fprintf(stderr, "growth: the edit window holds %d lines\n", desk.edit().editor()->lines());
            return false;
        }
        reportGrowth("upload_editor", growthOf(meter, kSkip, kWindow, 1'000));
        meter.reset();
        if (!desk.run(TransferJob::Kind::Upload, true, folder + QStringLiteral("/uploaded.vxt")))
            return false;
        reportGrowth("upload_file", growthOf(meter, kSkip, kWindow, 1'000));
        sim.terminate();
        sim.waitForFinished(5'000);
    }
    QProcess sim;
    const QString pty = startSimOnPty(sim, {QStringLiteral("--device"), QStringLiteral("veltor"),
                                            QStringLiteral("--pty"), QStringLiteral("--empty")});
    if (pty.isEmpty())
        return false;
    TransferDesk desk(pty, meter, languages);
    meter.reset();
    if (!desk.run(TransferJob::Kind::Download, true, listing))
        return false;
    reportGrowth("download", growthOf(meter, kSkip, kWindow, 1'000));
    sim.terminate();
    sim.waitForFinished(5'000);
    return true;
}

// The SPI window sending one-byte messages back to back until kExchanges have begun.
bool spiLog()
{
    QProcess sim;
    const QString pty = startSimOnPty(sim, {QStringLiteral("--spi-converter"), QStringLiteral("--pty")});
    if (pty.isEmpty())
        return false;
    WorkMeter meter;
    MeteredLinks links(meter, true);
    SpiRecord record;
    record.port = 5; // the first converter port
    record.portName = pty;
    record.count = 0; // until stopped
    // A wait of 1 ms, which every message overruns, so they go back to back (no wait at all would send one
    // byte at a time).
    record.rate = 1000;
    record.lastSent = QStringLiteral("03"); // the shortest frame: the converter's line sets the pace
    DefaultAnswerPrompt prompt;
    SpiCommWindow::Services services;
    services.links = &links;
    SpiCommWindow window(record, prompt, nullptr, services);
    window.show();
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (meter.count() >= kExchanges || !window.isSending())
            loop.quit();
    });
    watch.start(20);
    QTimer::singleShot(300'000, &loop, &QEventLoop::quit);
    window.sendButton()->click();
    loop.exec();
    const qint64 done = meter.count();
    window.sendButton()->click();
    window.flushLog();
    sim.terminate();
    sim.waitForFinished(5'000);
    if (done < kExchanges || int(window.log().entries().size()) != int(SpiLog::kMaxExchanges)) {
        std::fprintf(stderr, "growth: the SPI window made %lld exchanges and logs %d: %s\n", done,
                     int(window.log().entries().size()), qPrintable(window.statusLine()->text()));
        return false;
    }
    reportGrowth("spi_log", growthOf(meter, 1'000, 1'000, 100));
    return true;
}

int growthBenchmark(const QStringList &args)
{
    // "--part transfers" or "--part spi" runs one half.
    const qsizetype at = args.indexOf(QStringLiteral("--part"));
    const QString part = at >= 0 ? args.value(at + 1) : QString();
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "growth: no temporary folder: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    const bool transfersOk = part == QLatin1String("spi") || transfers(dir.path());
    const bool spiOk = part == QLatin1String("transfers") || spiLog();
    return transfersOk && spiOk ? 0 : 1;
}

} // namespace

KORVO_WIDGET_BENCHMARK(
    "growth",
    "cost per 1,000 lines at the end of 50,000-line uploads and a download, and of the SPI log "
    "at 10,000 exchanges, against their start",
    growthBenchmark);

} // namespace korvo::bench
