#pragma once

// A device engine's hold on a terminal's link. While a lease is active the link feeds the engine what
// arrives (after capture), arms its deadline and writes its output; releasing it (or destroying it, on
// every path: finish, cancel, a vanished device, a window closing) gives the link back to the terminal.

#include <QPointer>
#include <QString>
#include <QtGlobal>

namespace korvo {

class CommLink;
class DeviceEngine;

class EngineLease
{
public:
    EngineLease() = default;
    EngineLease(CommLink *link, quint64 id) : m_link(link), m_id(id) {}
    // The link was busy with another job: nothing was started; why names the running job.
    static EngineLease refused(QString why);
    EngineLease(EngineLease &&other) noexcept;
    EngineLease &operator=(EngineLease &&other) noexcept;
    EngineLease(const EngineLease &) = delete;
    EngineLease &operator=(const EngineLease &) = delete;
    ~EngineLease() { release(); }

    // The engine is still attached to a live link.
    bool isActive() const;
    // attach() refused the job because another held the link; refusal() says which, for the user.
    bool isRefused() const { return !m_refusal.isEmpty(); }
    const QString &refusal() const { return m_refusal; }
    // Detaches the engine (no call reaches it afterwards) and gives the link back to the terminal.
    void release();

    // After the owner called the engine itself (a button, a prompt answer): write its output, re-arm its
    // deadline and deliver its events.
    void pump();
    // The user's Cancel/Abort, then pump().
    void cancel();
    // The link's clock, for calls the owner makes on the engine.
    qint64 nowMs() const;

private:
    QPointer<CommLink> m_link;
    quint64 m_id = 0;
    QString m_refusal;
};

} // namespace korvo
