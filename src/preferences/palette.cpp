#include "preferences/palette.h"

#include <array>
#include <cstddef>

namespace korvo {

namespace {
constexpr std::array<int32_t, kPaletteSize> kPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};
}

int getColor(int32_t colour)
{
    for (int i = 0; i < kPaletteSize; ++i)
        if (kPalette[std::size_t(i)] == colour)
            return i;
    return 0;
}

int32_t paletteValue(int index)
{
    return index >= 0 && index < kPaletteSize ? kPalette[std::size_t(index)] : 0;
}

} // namespace korvo
