#include "app/clock.h"

#include <QElapsedTimer>
#include <QTimer>

namespace korvo {

namespace {
class QtOneShotTimer final : public OneShotTimer
{
public:
    explicit QtOneShotTimer(std::function<void()> onTimeout)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(onTimeout));
    }
    void start(int intervalMs) override { m_timer.start(std::max(0, intervalMs)); }
    void restart() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    int interval() const override { return m_timer.interval(); }

private:
    QTimer m_timer;
};

class QtClock final : public Clock
{
public:
    QtClock() { m_elapsed.start(); }
    qint64 nowMs() const override { return m_elapsed.elapsed(); }
    qint64 nowNs() const override { return m_elapsed.nsecsElapsed(); }
    std::unique_ptr<OneShotTimer> createTimer(std::function<void()> onTimeout) override
    {
        return std::make_unique<QtOneShotTimer>(std::move(onTimeout));
    }

private:
    QElapsedTimer m_elapsed;
};
} // namespace

Clock &systemClock()
{
    static QtClock clock;
    return clock;
}

} // namespace korvo
