#include "engine/enginebase.h"

#include <utility>

namespace korvo {

void EngineBase::writeFailed(const QString &reason, qint64 nowMs)
{
    (void)nowMs;
    fail(reason);
}

void EngineBase::linkLost(const QString &reason, qint64 nowMs)
{
    (void)nowMs;
    fail(reason);
}

void EngineBase::cancel(qint64 nowMs)
{
    (void)nowMs;
    fail(QStringLiteral("Cancelled"));
}

std::vector<LinkAction> EngineBase::takeOutput()
{
    return std::exchange(m_output, {});
}

std::vector<EngineEvent> EngineBase::takeEvents()
{
    return std::exchange(m_events, {});
}

void EngineBase::finish(const QString &note)
{
    if (m_ended)
        return;
    m_ended = true;
    clearDeadline();
    emitEvent(EngineEvent::Finished{note});
}

void EngineBase::fail(const QString &reason)
{
    if (m_ended)
        return;
    m_ended = true;
    m_failed = true;
    m_failure = reason;
    clearDeadline();
    emitEvent(EngineEvent::Failed{reason});
}

} // namespace korvo
