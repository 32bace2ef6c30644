#include "spi/spicalibration.h"

#include "spi/parallelport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <vector>

namespace korvo {

namespace {
using SteadyClock = std::chrono::steady_clock;

constexpr double kHalfBitDivisor = 1600.0;
constexpr double kByteDivisor = 2132.0;
constexpr int kSamples = 301;

// Median time of one call of work, in microseconds.
double medianUs(const std::function<void()> &work)
{
    std::vector<double> samples;
    samples.reserve(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        const auto start = SteadyClock::now();
        work();
        samples.push_back(std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count());
    }
    std::nth_element(samples.begin(), samples.begin() + kSamples / 2, samples.end());
    return samples[kSamples / 2];
}
} // namespace

SpiCalibration SpiCalibration::fromCount(qint64 count)
{
    SpiCalibration c;
    if (count <= qint64(3 * kByteDivisor)) {
        c.halfBitDelay = 4;
        c.byteDelay = 3;
        return c;
    }
    // std::nearbyint in the default rounding mode rounds half to even.
    c.halfBitDelay = std::max(1, int(std::nearbyint(double(count) / kHalfBitDivisor)));
    c.byteDelay = std::max(1, int(std::nearbyint(double(count) / kByteDivisor)));
    return c;
}

void spiBusyWait(int count)
{
    // Every step stores to a volatile, so the loop stays as long as it was counted.
    volatile int step = 0;
    for (int i = 1; i <= count; ++i)
        step = i;
    (void)step;
}

SpiCalibration calibrateSpiDelays(ParallelPort *port)
{
    const auto end = SteadyClock::now() + std::chrono::milliseconds(500);
    qint64 count = 0;
    do
        ++count;
    while (SteadyClock::now() < end);

    SpiCalibration c = SpiCalibration::fromCount(count);
    const double waitUs = medianUs([d = c.halfBitDelay] { spiBusyWait(d); });
    double writeUs = 0;
    double readUs = 0;
    if (port && port->isOpen()) {
        // Writing "not selected" keeps the device idle while its lines are timed.
        writeUs = medianUs([port] { port->writeData(4); });
        readUs = medianUs([port] { port->readStatus(); });
    }
    c.halfBitUs = waitUs + writeUs;
    const double bitUs = 2 * waitUs + 3 * writeUs + readUs;
    c.clockHz = bitUs > 0 ? 1e6 / bitUs : 0;
    return c;
}

} // namespace korvo
