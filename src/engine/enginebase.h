#pragma once

// The bookkeeping every device engine shares: the output and event queues, the one deadline, and the
// sticky end state. An engine derives from it and writes only its protocol.

#include "engine/deviceengine.h"

namespace korvo {

class EngineBase : public DeviceEngine
{
public:
    void writeFailed(const QString &reason, qint64 nowMs) override;
    void linkLost(const QString &reason, qint64 nowMs) override;
    void cancel(qint64 nowMs) override;

    std::vector<LinkAction> takeOutput() final;
    std::optional<qint64> nextDeadline() const final { return m_deadline; }
    std::vector<EngineEvent> takeEvents() final;
    bool isFinished() const final { return m_ended; }
    bool hasFailed() const { return m_failed; }
    const QString &failure() const { return m_failure; }

protected:
    void send(QByteArray bytes) { m_output.push_back(LinkAction::write(std::move(bytes))); }
    void sendPaced(QByteArray bytes, char lineEnd)
    {
        m_output.push_back(LinkAction::paced(std::move(bytes), lineEnd));
    }
    void sendPacedChars(QByteArray bytes) { m_output.push_back(LinkAction::pacedChars(std::move(bytes))); }
    void changeSettings(const QString &settings) { m_output.push_back(LinkAction::setSettings(settings)); }
    void emitEvent(EngineEvent event) { m_events.push_back(std::move(event)); }
    void emitLine(const QString &text, int style = 0) { emitEvent(EngineEvent::Line{text, style}); }
    void emitStatus(const QString &text) { emitEvent(EngineEvent::Status{text}); }
    void emitProgress(qint64 done, qint64 total) { emitEvent(EngineEvent::Progress{done, total}); }

    void setDeadline(qint64 atMs) { m_deadline = atMs; }
    void clearDeadline() { m_deadline.reset(); }
    // Ends the job; later input is ignored. Both are idempotent: the first end wins. A note is what the
    // finished job still has to tell the user.
    void finish(const QString &note = {});
    void fail(const QString &reason);

private:
    std::vector<LinkAction> m_output;
    std::vector<EngineEvent> m_events;
    std::optional<qint64> m_deadline;
    bool m_ended = false;
    bool m_failed = false;
    QString m_failure;
};

} // namespace korvo
