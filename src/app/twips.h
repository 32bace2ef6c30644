#pragma once

// Conversion between the twips of the preferences file (1/1440 inch) and screen pixels.

#include <QRect>

#include <cstdint>

namespace korvo {

constexpr int kTwipsPerInch = 1440;

// Both directions round to the nearest unit, so pixels -> twips -> pixels gives the same pixels back
// for any DPI below 1440.
int twipsToPixels(int32_t twips, double dpi);
int32_t pixelsToTwips(int pixels, double dpi);

// A stored placement (any record with left, top, width and height in twips) as a screen rectangle.
template <typename Placement> QRect pixelRectOf(const Placement &place, double dpi)
{
    return QRect(twipsToPixels(place.left, dpi), twipsToPixels(place.top, dpi),
                 twipsToPixels(place.width, dpi), twipsToPixels(place.height, dpi));
}

// A screen rectangle stored into such a record.
template <typename Placement> void storePixelRect(Placement &place, const QRect &rect, double dpi)
{
    place.left = pixelsToTwips(rect.x(), dpi);
    place.top = pixelsToTwips(rect.y(), dpi);
    place.width = pixelsToTwips(rect.width(), dpi);
    place.height = pixelsToTwips(rect.height(), dpi);
}

} // namespace korvo
