#pragma once

// The classic 16-colour palette of the preferences dialog's colour panels; colours are 24-bit values with
// red in the low byte, as the preferences file stores them.

#include <cstdint>

namespace korvo {

constexpr int kPaletteSize = 16;

// iGet_Color: the panel of a stored colour; 0 for a colour that is not in the palette.
int getColor(int32_t colour);
// The stored value of panel index (0..15).
int32_t paletteValue(int index);

} // namespace korvo
