#pragma once

// Every register setting that gives a bit rate within 1 % of the one asked for, best first: what an
// engineer picks from instead of working the prescaler and segments out by hand.

#include <vector>

namespace korvo {

struct BitRateChoice
{
    int btr0 = 0;
    int btr1 = 0;
    int quanta = 0;         // time quanta per bit
    double samplePoint = 0; // percent of the bit before the sample point
    double rateError = 0;   // percent, signed
};

// BRP 0-63, TSEG1 2-15, TSEG2 1-7, SJW = min(3, TSEG2); ordered by rate error, then sample point nearest
// 87.5 %, then more quanta. Empty for a rate of 0 or below, or when nothing comes within 1 %.
std::vector<BitRateChoice> bitRateChoices(int bitsPerSecond);

} // namespace korvo
