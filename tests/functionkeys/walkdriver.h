#pragma once

// Drives a FunctionKeyWalk the way a serial link does (every write leaves at once) in virtual time, and
// keeps a transcript of what the walk did, in order: bytes sent, "msg" texts and notices.

#include "functionkeys/functionkeywalk.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

namespace korvo {

struct WalkEntry
{
    qint64 at = 0;
    QString what; // "A", "<0D>", "msg F1 - 3", "capture on", "start F2", "end F2", "failed why"
};

class WalkDriver
{
public:
    explicit WalkDriver(const QList<QByteArray> &keys, int key = 0)
    {
        FunctionKeyWalk::Options options;
        for (int i = 0; i < keys.size() && i < FunctionKeyWalk::kKeys; ++i)
            options.contents[size_t(i)] = keys.at(i);
        options.key = key;
        walk = std::make_unique<FunctionKeyWalk>(options, stopwatches);
    }

    void start()
    {
        walk->start(now);
        collect();
    }
    // Runs the walk until it ends, its next deadline lies beyond now + ms or maxSteps deadlines have
    // fired; returns the steps taken.
    int runFor(qint64 ms, int maxSteps = 1'000'000)
    {
        const qint64 until = now + ms;
        int steps = 0;
        while (!walk->isFinished() && steps < maxSteps) {
            const std::optional<qint64> due = walk->nextDeadline();
            if (!due || *due > until)
                break;
            now = std::max(now, *due);
            walk->timerFired(now);
            collect();
            ++steps;
        }
        if (!walk->isFinished())
            now = std::max(now, until);
        return steps;
    }
    void runToEnd() { runFor(24 * 3600 * 1000); }
    void stop()
    {
        walk->requestStop(now);
        collect();
    }

    QByteArray sent() const
    {
        QByteArray bytes;
        for (const auto &[at, byte] : bytesAt)
            bytes += byte;
        return bytes;
    }
    QStringList entries() const
    {
        QStringList list;
        for (const WalkEntry &entry : transcript)
            list << entry.what;
        return list;
    }
    QStringList messages() const
    {
        QStringList list;
        for (const WalkEntry &entry : transcript)
            if (entry.what.startsWith(QLatin1String("msg ")))
                list << entry.what.mid(4);
        return list;
    }

    qint64 now = 0;
    FunctionKeyWalk::Stopwatches stopwatches;
    std::unique_ptr<FunctionKeyWalk> walk;
    QList<WalkEntry> transcript;
    QList<std::pair<qint64, char>> bytesAt;
    // Leave writes pending (a slow TCP link) instead of reporting them written at once.
    bool holdWrites = false;

private:
    void collect()
    {
        // Within one step the walk's events come before its output (a key ends, the next one's byte).
        for (const EngineEvent &event : walk->takeEvents()) {
            if (const auto *notice = event.as<EngineEvent::KeyNotice>())
                transcript.append({now, noticeText(*notice)});
            else if (const auto *status = event.as<EngineEvent::Status>())
                transcript.append({now, QStringLiteral("msg ") + status->text});
            else if (const auto *failure = event.as<EngineEvent::Failed>())
                transcript.append({now, QStringLiteral("failed ") + failure->reason});
        }
        bool wrote = false;
        for (const LinkAction &action : walk->takeOutput()) {
            for (const char c : action.bytes) {
                bytesAt.append({now, c});
                const auto u = uchar(c);
                transcript.append({now, u < 32
                                            ? QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0')).toUpper()
                                            : QString(QLatin1Char(c))});
            }
            wrote = true;
        }
        if (wrote && !holdWrites) {
            walk->outputWritten(now);
            collect();
        }
    }
    static QString noticeText(const EngineEvent::KeyNotice &notice)
    {
        using Kind = EngineEvent::KeyNotice::Kind;
        switch (notice.kind) {
        case Kind::KeyStarted:
            return QStringLiteral("start F%1").arg(notice.key + 1);
        case Kind::KeyEnded:
            return QStringLiteral("end F%1").arg(notice.key + 1);
        case Kind::CaptureOn:
            return QStringLiteral("capture on");
        case Kind::CaptureOff:
            return QStringLiteral("capture off");
        }
        return {};
    }
};

} // namespace korvo
