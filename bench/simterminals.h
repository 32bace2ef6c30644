#pragma once

// What the benchmarks on connected terminals share: korvo-sim processes that stream on request, each on a
// pty of its own, a workspace of terminal windows connected to given ptys, a prompt that reports whatever the
// program says, and a turn of the event loop for a time or until a condition holds.

#include "app/prompt.h"
#include "settings/preferences.h"

#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace korvo::bench {

struct StreamingSim
{
    std::unique_ptr<QProcess> process;
    QString pty;
    // Ends the process (after the windows on its pty have closed, so that no one reports it lost).
    void stop();
};

// Starts `korvo-sim --pty --stream rate` from the program's folder (rate 0: as fast as the pty takes it);
// false, with the reason printed after who, when it gives no pty.
bool startStreamingSim(StreamingSim &sim, qint64 rate, const char *who);

// Terminals 1..n on the ptys in order, connected at 921,600 baud, their windows stacked down and to the
// right.
Preferences terminalWorkspace(const QStringList &ptys);

// A message box the program raises (a port that does not open, a lost device) spoils a run: it is printed
// after who and counted.
class ReportingPrompt : public Prompt
{
public:
    explicit ReportingPrompt(const char *who) : m_who(who) {}
    PromptAnswer ask(const PromptRequest &request) override;
    int count = 0;

private:
    const char *m_who;
};

// Runs the event loop for ms milliseconds, or until done() holds (checked every checkMs).
template <class Done> void runFor(int ms, Done done, int checkMs = 5)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(checkMs);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace korvo::bench
