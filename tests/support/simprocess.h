#pragma once

// korvo-sim and korvo-cli as child processes, for end-to-end tests over a real pty: a simulated device
// (with a faulty line when asked), korvo-cli run against it to its end, and the faults a table of cases
// walks through.

#include "sim/linefaults.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace korvo {

// A program built next to the tests (KORVO_BIN_DIR).
QString builtProgram(const char *name);

// korvo-sim on a pty, with the given device and fault options; ended when this goes.
class SimProcess
{
public:
    explicit SimProcess(const QStringList &args);
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    bool ready() const { return !m_path.isEmpty(); }
    // The pty's path, for --port.
    const QString &path() const { return m_path; }
    // Whatever korvo-sim wrote to stderr so far (a failure of its own).
    QString errors();
    // Ends the simulator as SIGTERM does (it writes what it keeps, e.g. an upgraded image).
    void stop();

private:
    QProcess m_process;
    QString m_path;
};

struct CliRun
{
    bool finished = false; // false: still running after the time allowed (it was killed)
    int exitCode = -1;     // -1 after a crash
    QString out;
    QString err;
    // Lines korvo-cli wrote to stderr with its "korvo-cli: " prefix: its messages, not progress.
    QStringList messages() const;
    // How the run differs from the outcome a case expects, empty when it does not: it ended by itself with
    // status exitCode and, when naming is given, its last message is the one message that contains naming.
    QString unexpected(int exitCode, const QString &naming = {}) const;
};

// Runs korvo-cli with --time-scale 10 (the simulator needs none of a controller's pauses and time-outs) and
// stdin closed; kills it after timeoutMs.
CliRun runKorvoCli(const QStringList &args, int timeoutMs = 60000);

// A fault on the line or in the device, as korvo-sim's options give it. Rates are high enough that a job of
// a few hundred bytes is hit; the seeds are fixed, so a case always meets the same faults.
struct LineFault
{
    enum Class { Clean, Corrupt, Drop, Dup, Stall, Reset, Hangup };
    // Corrupt, Drop, Dup: that rate per byte; Stall, Reset, Hangup: after that many bytes received.
    static QStringList simArgs(Class fault, qint64 afterBytes, double rate = 0.02, int seed = 7);
    // The same faults for a SimPty in the test's own process.
    static LineFaults::Settings settings(const QStringList &simArgs);
};

// The columns of a data-driven table of such cases: "faults" (korvo-sim's options), "exitCode" (korvo-cli's)
// and "naming" (what its one message names; empty when it completes).
void addFaultColumns();

} // namespace korvo
