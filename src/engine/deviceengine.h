#pragma once

// The one shape of every device dialogue (upload, download, upgrade, comm search, RAM read, CAN, SPI
// converter, function keys): a protocol engine that owns no port, no timer and no window. Everything that
// happens to it is a call with the current time; everything it wants done is read back afterwards:
//
//   link/window -> engine: start(), bytesReceived(), timerFired(), outputWritten(), writeFailed(),
//                          linkLost(), cancel() and the engine's own user actions;
//   engine -> link:        takeOutput() (writes and line-setting changes, in order), nextDeadline();
//   engine -> owner:       takeEvents() (typed events: lines, progress, status text, finished, failed and
//                          the few an owner of one engine needs), isFinished().
//
// A "wait" is a state with a deadline, never a sleep. Failures are sticky: once failed, an engine stays
// failed and ignores further input. The link adapter (CommLink::attach) carries these calls to a real
// port or socket; tests carry them with a transcript and the fake clock.

#include "engine/engineevent.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace korvo {

// Something the engine wants the link to do, in the order given.
struct LinkAction
{
    enum class Kind {
        Write,      // bytes in one piece, no pacing
        WritePaced, // bytes with the terminal's pacing (TCP: CharDelay after each character, or LineDelay +
                    // 10 after lineEnd when linePause is set); the link reports outputWritten() once the last
                    // byte is out
        SetSettings, // change the serial line's settings ("19200,N,8,1"); over TCP the engine sends the
                     // gateway's own command instead
    };
    Kind kind = Kind::Write;
    QByteArray bytes;
    char lineEnd = '\r';
    bool linePause = false;
    QString settings;

    static LinkAction write(QByteArray data) { return {Kind::Write, std::move(data), '\r', false, {}}; }
    // Send_To_Comm with the line pause after lineEnd.
    static LinkAction paced(QByteArray data, char lineEnd)
    {
        return {Kind::WritePaced, std::move(data), lineEnd, true, {}};
    }
    // Send_To_Comm without the line pause: every character waits CharDelay.
    static LinkAction pacedChars(QByteArray data)
    {
        return {Kind::WritePaced, std::move(data), '\r', false, {}};
    }
    static LinkAction setSettings(QString text)
    {
        return {Kind::SetSettings, {}, '\r', false, std::move(text)};
    }
};

class DeviceEngine
{
public:
    virtual ~DeviceEngine() = default;

    // Received bytes are also shown on the terminal screen (a download shows the device's echo).
    virtual bool showsReceived() const { return false; }

    // Attached and ready: the first command goes out from here.
    virtual void start(qint64 nowMs) = 0;
    virtual void bytesReceived(const QByteArray &data, qint64 nowMs) = 0;
    // nextDeadline() has been reached.
    virtual void timerFired(qint64 nowMs) = 0;
    // Every paced write taken so far has left the link (the point a reply wait starts from).
    virtual void outputWritten(qint64 nowMs) { (void)nowMs; }
    // A write failed with the OS's description. By default the job fails.
    virtual void writeFailed(const QString &reason, qint64 nowMs) = 0;
    // The port or socket went away (hang-up, reset); the engine ends.
    virtual void linkLost(const QString &reason, qint64 nowMs) = 0;
    // The port or socket reported an error, number with the OS's description; reason is the link's wording
    // of it. By default the engine ends as at linkLost(). An engine that drives the line itself may go on:
    // the link opens the line for it again.
    virtual void linkFailed(int number, const QString &description, const QString &reason, qint64 nowMs)
    {
        (void)number;
        (void)description;
        linkLost(reason, nowMs);
    }
    // The user's Cancel/Abort/Stop (korvo-cli: Ctrl+C).
    virtual void cancel(qint64 nowMs) = 0;

    virtual std::vector<LinkAction> takeOutput() = 0;
    // Absolute time (ms on the engine's clock) at which timerFired() is due, or none.
    virtual std::optional<qint64> nextDeadline() const = 0;
    virtual std::vector<EngineEvent> takeEvents() = 0;
    virtual bool isFinished() const = 0;
};

} // namespace korvo
