#include "link/linktiming.h"

#include "link/portnames.h"
#include "settings/preferences.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace korvo {

namespace {
constexpr int kGranularityMs = 55; // the smallest pause used anywhere
}

LinkTiming LinkTiming::fromSettings(const CommWindowSettings &settings)
{
    return {baudOfSettings(settings.settings), settings.charDelay, settings.lineDelay, settings.tcpipEnabled};
}

namespace {
// Ten bit times per character; the reciprocal is single precision and rounding is to even.
int msPerChar(const LinkTiming &timing)
{
    if (timing.baud <= 0)
        return 0;
    const float reciprocal = 1.0f / float(timing.baud);
    return int(std::nearbyint(double(reciprocal) * 1000.0 * 10.0));
}
} // namespace

int replyTimeMs(const LinkTiming &timing, int chars, int extraMs)
{
    const int perChar = msPerChar(timing) + std::max(timing.charDelayMs, kGranularityMs);
    qint64 total = qint64(chars) * perChar + std::max(timing.lineDelayMs, kGranularityMs);
    total = std::max<qint64>(total, kGranularityMs);
    return int(std::min<qint64>(total + extraMs, INT_MAX));
}

int shortAnswerMs(const LinkTiming &timing, int chars)
{
    return chars * msPerChar(timing) + kGranularityMs;
}

} // namespace korvo
