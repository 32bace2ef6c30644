#include "twips.h"

#include <cmath>

namespace korvo {

int twipsToPixels(int32_t twips, double dpi)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / kTwipsPerInch));
}

int32_t pixelsToTwips(int pixels, double dpi)
{
    if (dpi <= 0)
        return 0;
    return static_cast<int32_t>(std::lround(static_cast<double>(pixels) * kTwipsPerInch / dpi));
}

} // namespace korvo
