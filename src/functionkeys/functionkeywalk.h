#pragma once

// Send_Function_Key: walks one function key's contents and sends it to the device through the terminal's
// link. Theory of operation:
//   - One unit of work per step: a character is sent (and the walk waits until it has left the link), a
//     code runs, or a pause starts; every step then yields to the event loop through a deadline, so even a
//     repeat without pauses never runs away with the thread.
//   - Outside double quotes "^" starts a code (the table below); inside quotes everything is sent as it is.
//     The quotes themselves are not sent.
//   - "^p", "^m", "^d<ms>" are pauses: a state with a deadline, nothing runs while they last.
//   - "^r<n>" repeats the contents of its key from the start, n passes in all (0: without end); up to
//     five repeat levels nest, deeper ones are ignored. "^f<n>" walks key n at this point; keys pressed
//     that way nest at most kMaxKeyDepth deep, after which the walk stops with a message.
//   - A stop request ends the walk before its next character (a pause in progress is cut short).
// What the "msg" panel shows comes out as Status events; capture switches and the keys that start and end
// come out as KeyNotice events.

#include "engine/enginebase.h"

#include <array>
#include <optional>

namespace korvo {

class FunctionKeyWalk final : public EngineBase
{
public:
    static constexpr int kKeys = 10;
    static constexpr int kMaxRepeatLevels = 5;
    static constexpr int kMaxKeyDepth = 8;
    static constexpr int kMaxPauseMs = 32767;

    // Stopwatch start times ("^t1") by key, kept by the window across presses.
    using Stopwatches = std::array<std::optional<qint64>, kKeys>;

    struct Options
    {
        std::array<QByteArray, kKeys> contents; // the current group's keys, as the device gets them
        int key = 0;                            // the key pressed, 0..9
        char lineEnd = '\r';                    // LineEnd, for the link's line pacing
    };

    FunctionKeyWalk(Options options, Stopwatches &stopwatches);

    // The device's answers stay on the terminal screen while a key runs.
    bool showsReceived() const override { return true; }

    void start(qint64 nowMs) override;
    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;
    void outputWritten(qint64 nowMs) override;
    void writeFailed(const QString &reason, qint64 nowMs) override;
    // Ends the walk with the reason as its failure: the link leaves reporting the loss to its dialogue.
    void linkLost(const QString &reason, qint64 nowMs) override;
    void cancel(qint64 nowMs) override;

    // A function key pressed while this one runs.
    void requestStop(qint64 nowMs);

    // The key pressed first (0..9).
    int key() const { return m_options.key; }

private:
    enum class State { Idle, Yielding, Sending, Pausing };

    struct Frame
    {
        int key = 0;
        qsizetype pos = 0;
        bool quoted = false;
    };
    struct Level
    {
        size_t frame = 0;      // index into m_frames of the key that holds the "^r"
        qsizetype codePos = 0; // where its "^r" stands in that key
        int remaining = 0;     // passes still to come
        int done = 0;          // passes so far
        bool endless = false;
    };

    void step(qint64 nowMs);
    void runCode(char code, qsizetype codePos, qint64 nowMs);
    void sendChar(char c);
    void pause(qint64 nowMs, int ms);
    void yieldNow(qint64 nowMs);
    void repeat(qsizetype codePos, int count, qint64 nowMs);
    void pressKey(int number, qint64 nowMs);
    void stopwatch(bool on, qint64 nowMs);
    void showRepeat(const Level &level);
    int readNumber();
    int readDigit();
    void popFrame();
    void end();
    void notify(EngineEvent::KeyNotice::Kind kind, int key) { emitEvent(EngineEvent::KeyNotice{kind, key}); }

    Options m_options;
    Stopwatches &m_stopwatches;
    std::vector<Frame> m_frames;
    std::vector<Level> m_levels;
    State m_state = State::Idle;
    bool m_stopRequested = false;
};

} // namespace korvo
