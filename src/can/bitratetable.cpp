#include "can/bitratetable.h"

#include <QtGlobal>
#include <algorithm>
#include <cstdlib>

namespace korvo {

namespace {
constexpr qint64 kQuantaPerSecondAtBrp0 = 10'000'000; // 20 MHz clock, divider 2

struct Candidate
{
    BitRateChoice choice;
    qint64 errorNum;  // |achieved - wanted| x divisor, over...
    qint64 errorDen;  // ... wanted x divisor (exact fractions: no ties lost to rounding)
    qint64 sampleNum; // |8 (TSEG1 + 2) - 7 quanta|, over 8 quanta
};

bool before(const Candidate &a, const Candidate &b)
{
    const qint64 left = a.errorNum * b.errorDen;
    const qint64 right = b.errorNum * a.errorDen;
    if (left != right)
        return left < right;
    const qint64 sampleLeft = a.sampleNum * b.choice.quanta;
    const qint64 sampleRight = b.sampleNum * a.choice.quanta;
    if (sampleLeft != sampleRight)
        return sampleLeft < sampleRight;
    return a.choice.quanta > b.choice.quanta;
}
} // namespace

std::vector<BitRateChoice> bitRateChoices(int bitsPerSecond)
{
    std::vector<Candidate> found;
    if (bitsPerSecond <= 0)
        return {};
    for (int brp = 0; brp <= 63; ++brp) {
        for (int tseg1 = 2; tseg1 <= 15; ++tseg1) {
            for (int tseg2 = 1; tseg2 <= 7; ++tseg2) {
                const int quanta = tseg1 + tseg2 + 3;
                const qint64 divisor = qint64(brp + 1) * quanta;
                // achieved = 1e7 / divisor; error = (1e7 - wanted x divisor) / (wanted x divisor)
                const qint64 den = qint64(bitsPerSecond) * divisor;
                const qint64 num = std::llabs(kQuantaPerSecondAtBrp0 - den);
                if (num * 100 > den)
                    continue;
                const int sjw = std::min(3, tseg2);
                BitRateChoice choice;
                choice.btr0 = sjw * 64 + brp;
                choice.btr1 = tseg2 * 16 + tseg1;
                choice.quanta = quanta;
                choice.samplePoint = 100.0 * (tseg1 + 2) / quanta;
                choice.rateError = 100.0 * double(kQuantaPerSecondAtBrp0 - den) / double(den);
                found.push_back({choice, num, den, std::llabs(8 * (tseg1 + 2) - 7 * quanta)});
            }
        }
    }
    std::stable_sort(found.begin(), found.end(), before);
    std::vector<BitRateChoice> result;
    result.reserve(found.size());
    for (const Candidate &c : found)
        result.push_back(c.choice);
    return result;
}

} // namespace korvo
