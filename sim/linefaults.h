#pragma once

// korvo-sim's noisy line: bytes dropped, corrupted or doubled at seeded rates in both directions, and a
// device that goes silent, power-cycles or hangs up after a number of received bytes. Whether a byte is hit
// depends only on the seed, its direction and its position in that direction's stream, never on how the
// carrier happened to split the bytes, so a seed replays the same faults.

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

namespace korvo {

class ControllerSim;

class LineFaults
{
public:
    struct Settings
    {
        double drop = 0; // per byte
        double corrupt = 0;
        double dup = 0;
        quint64 seed = 0;
        qint64 stallAfter = -1; // bytes received; -1: never
        qint64 resetAfter = -1;
        qint64 hangupAfter = -1;
    };
    // "drop=0.001,corrupt=0.001,dup=0.0005,seed=7"; false with the reason in *error.
    static bool parseRates(const QString &spec, Settings *settings, QString *error);

    enum class Event { None, Reset, Stall, Hangup };
    // Bytes for the device, and what happens to it once it has taken them.
    struct Piece
    {
        QByteArray bytes;
        Event after = Event::None;
    };
    // Gets one line per injected fault, e.g. "fault to-device #17 corrupt 41>C1".
    using Reporter = std::function<void(const QByteArray &note)>;

    LineFaults() = default; // a perfect line
    explicit LineFaults(const Settings &settings, Reporter reporter = {});
    void setReporter(Reporter reporter) { m_reporter = std::move(reporter); }

    // What the device takes of bytes that crossed the line from the program.
    QList<Piece> toDevice(const QByteArray &bytes);
    // Hands those bytes to controller as toDevice allows: taken (if set) sees what it got once it has it,
    // answer what it says to each piece; a power cycle is done here. Returns Stall or Hangup for the carrier
    // to act on when the device stopped listening, else None.
    using Sink = std::function<void(const QByteArray &bytes)>;
    Event deliver(const QByteArray &bytes, ControllerSim &controller, const Sink &taken, const Sink &answer);
    // What reaches the program of bytes the device sent (keeping a stalled device quiet is the carrier's).
    QByteArray toProgram(const QByteArray &bytes);
    bool stalled() const { return m_stalled; }
    // The line was opened again: the byte count starts over and a stalled device listens again.
    void reopen();

private:
    enum Direction { ToDevice, ToProgram };
    QByteArray hit(const QByteArray &bytes, Direction direction);
    void report(const QByteArray &note);

    Settings m_settings;
    Reporter m_reporter;
    qint64 m_position[2] = {0, 0};             // bytes offered in each direction since the start
    qint64 m_received = 0;                     // since the line was opened
    bool m_reached[3] = {false, false, false}; // reset, stall, hang-up since the line was opened
    bool m_stalled = false;
    bool m_hungUp = false;
};

} // namespace korvo
