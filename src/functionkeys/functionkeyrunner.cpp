#include "functionkeys/functionkeyrunner.h"

#include "app/clock.h"
#include "app/cp1252.h"
#include "link/commlink.h"
#include "settings/preferences.h"

namespace korvo {

FunctionKeyRunner::FunctionKeyRunner(CommLink &link, Clock &clock, QObject *parent)
    : QObject(parent), m_link(link), m_clearTimer(clock.createTimer([this] { Q_EMIT message({}); }))
{
    // A key typed while a job holds the link is refused as a function key is: the panel says why.
    connect(&link, &CommLink::inputRefused, this, &FunctionKeyRunner::showNote);
}

void FunctionKeyRunner::showNote(const QString &text)
{
    Q_EMIT message(text);
    m_clearTimer->start(kMessageMs);
}

FunctionKeyRunner::~FunctionKeyRunner()
{
    // The walk goes with its lease, before the link could call it again.
    m_lease.release();
}

bool FunctionKeyRunner::isRunning() const
{
    return m_walk && !m_walk->isFinished() && m_lease.isActive();
}

void FunctionKeyRunner::stop()
{
    if (!isRunning())
        return;
    m_walk->requestStop(m_lease.nowMs());
    m_lease.pump();
}

void FunctionKeyRunner::press(int key)
{
    if (isRunning()) {
        stop();
        return;
    }
    if (key < 0 || key >= FunctionKeyWalk::kKeys || !m_link.isConnected())
        return;
    const CommWindowSettings &s = m_link.settings();
    FunctionKeyWalk::Options options;
    for (int k = 0; k < FunctionKeyWalk::kKeys; ++k) {
        const size_t index = size_t(s.fGroup) * FunctionKeyWalk::kKeys + size_t(k);
        if (index < s.keys.size())
            options.contents[size_t(k)] = encodeForDevice(s.keys[index].command);
    }
    options.key = key;
    m_lease.release();
    m_walk = std::make_unique<FunctionKeyWalk>(options, m_stopwatches);
    m_lease = m_link.attach(*m_walk, QStringLiteral("Function key F%1").arg(key + 1),
                            [this](const std::vector<EngineEvent> &events) { onEvents(events); });
    // Another job holds the link: it goes on, and the panel says why the key did nothing.
    if (m_lease.isRefused()) {
        showNote(m_lease.refusal());
        return;
    }
    // A key with nothing to walk has ended inside attach, before its lease could be let go.
    if (m_walk->isFinished())
        m_lease.release();
}

void FunctionKeyRunner::onEvents(const std::vector<EngineEvent> &events)
{
    using Kind = EngineEvent::KeyNotice::Kind;
    for (const EngineEvent &event : events) {
        if (const auto *notice = event.as<EngineEvent::KeyNotice>()) {
            if (notice->kind == Kind::KeyStarted || notice->kind == Kind::KeyEnded)
                Q_EMIT keyRunning(notice->key, notice->kind == Kind::KeyStarted);
            else
                Q_EMIT captureRequested(notice->kind == Kind::CaptureOn);
        } else if (const auto *status = event.as<EngineEvent::Status>()) {
            m_clearTimer->stop();
            Q_EMIT message(status->text);
        } else if (event.ends()) {
            if (const auto *failure = event.as<EngineEvent::Failed>())
                Q_EMIT failed(failure->reason);
            // The walk object stays until the next press: the link is still inside its step.
            m_lease.release();
            m_clearTimer->start(kMessageMs);
            Q_EMIT finished();
        }
    }
}

} // namespace korvo
