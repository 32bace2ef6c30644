#pragma once

// Conversion between the twips of the preferences file (1/1440 inch) and screen pixels.

#include <cstdint>

namespace korvo {

constexpr int kTwipsPerInch = 1440;

// Both directions round to the nearest unit, so pixels -> twips -> pixels gives the same pixels back
// for any DPI below 1440.
int twipsToPixels(int32_t twips, double dpi);
int32_t pixelsToTwips(int pixels, double dpi);

} // namespace korvo
