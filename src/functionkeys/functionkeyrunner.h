#pragma once

// A terminal's function keys at run time: a press starts the walk of that key of the current group on the
// terminal's link (a stop request while one runs; nothing while disconnected; while another job holds the
// link, a message saying which), and the walk's progress comes back as signals for the bar, the "msg"
// panel and capture. The "msg" panel is cleared by Timer3 some seconds after the walk ends.

#include "functionkeys/functionkeywalk.h"
#include "link/enginelease.h"

#include <QObject>
#include <memory>

namespace korvo {

class Clock;
class CommLink;
class OneShotTimer;

class FunctionKeyRunner : public QObject
{
    Q_OBJECT
public:
    // How long the last message stays in the "msg" panel after a key has ended.
    static constexpr int kMessageMs = 5000;

    FunctionKeyRunner(CommLink &link, Clock &clock, QObject *parent = nullptr);
    ~FunctionKeyRunner() override;

    // Send_Function_Key for key 0..9 of the current group.
    void press(int key);
    // The stop request of a press while a key runs.
    void stop();
    bool isRunning() const;
    // A note in the "msg" panel for kMessageMs: why a key did nothing, how a job on the link ended.
    void showNote(const QString &text);

Q_SIGNALS:
    // A key's caption shows in normal weight while it runs (also keys pressed by "^f").
    void keyRunning(int key, bool running);
    // The "msg" panel's text; empty when Timer3 clears it.
    void message(const QString &text);
    void captureRequested(bool on);
    // A write failed (the OS's description); the walk has ended.
    void failed(const QString &reason);
    // The walk has ended, however it ended.
    void finished();

private:
    void onEvents(const std::vector<EngineEvent> &events);

    CommLink &m_link;
    std::unique_ptr<OneShotTimer> m_clearTimer; // Timer3
    FunctionKeyWalk::Stopwatches m_stopwatches;
    std::unique_ptr<FunctionKeyWalk> m_walk;
    EngineLease m_lease;
};

} // namespace korvo
