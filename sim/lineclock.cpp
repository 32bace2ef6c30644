#include "sim/lineclock.h"

#include <QSocketNotifier>
#include <sys/timerfd.h>
#include <unistd.h>

namespace korvo {

namespace {
// A timerfd on the event loop: fires once, after an interval given to the nanosecond.
class TimerFdTimer final : public OneShotTimer
{
public:
    explicit TimerFdTimer(std::function<void()> onTimeout)
        : m_fd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)),
          m_onTimeout(std::move(onTimeout))
    {
        if (m_fd < 0)
            qFatal("korvo-sim: timerfd_create failed");
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            quint64 expirations = 0;
            if (::read(m_fd, &expirations, sizeof expirations) != sizeof expirations || !m_active)
                return;
            m_active = false;
            m_onTimeout();
        });
    }
    ~TimerFdTimer() override
    {
        m_notifier.reset();
        ::close(m_fd);
    }
    void start(int intervalMs) override { startNs(qint64(std::max(0, intervalMs)) * 1'000'000); }
    void startNs(qint64 intervalNs) override
    {
        m_intervalNs = std::max<qint64>(1, intervalNs); // zero would disarm it
        restart();
    }
    void restart() override
    {
        itimerspec due{};
        due.it_value.tv_sec = time_t(m_intervalNs / 1'000'000'000);
        due.it_value.tv_nsec = long(m_intervalNs % 1'000'000'000);
        ::timerfd_settime(m_fd, 0, &due, nullptr);
        m_active = true;
    }
    void stop() override
    {
        const itimerspec off{};
        ::timerfd_settime(m_fd, 0, &off, nullptr);
        m_active = false;
    }
    bool isActive() const override { return m_active; }
    int interval() const override { return int(m_intervalNs / 1'000'000); }

private:
    int m_fd;
    std::function<void()> m_onTimeout;
    std::unique_ptr<QSocketNotifier> m_notifier;
    qint64 m_intervalNs = 0;
    bool m_active = false;
};
} // namespace

std::unique_ptr<OneShotTimer> LineClock::createTimer(std::function<void()> onTimeout)
{
    return std::make_unique<TimerFdTimer>(std::move(onTimeout));
}

Clock &lineClock()
{
    static LineClock clock;
    return clock;
}

} // namespace korvo
