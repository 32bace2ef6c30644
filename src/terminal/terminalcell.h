#pragma once

// What a terminal screen holds in each character cell.

#include <cstdint>

namespace korvo {

// One cell as the view needs it. Colours: kDefaultColour, kIndexedColour | index (0..255), or 0xRRGGBB.
struct TerminalCell
{
    static constexpr uint32_t kDefaultColour = 0x80000000u;
    static constexpr uint32_t kIndexedColour = 0x40000000u;
    static constexpr char32_t kWideTail = 0xFFFFFFFFu; // right half of a double-width character

    enum Attr : uint8_t { Bold = 1, Italic = 2, Underline = 4, Reverse = 8, Strike = 16 };

    char32_t ch = 0; // 0 = never written (shows as a blank)
    uint32_t fg = kDefaultColour;
    uint32_t bg = kDefaultColour;
    uint8_t attrs = 0;

    bool sameLook(const TerminalCell &o) const { return fg == o.fg && bg == o.bg && attrs == o.attrs; }
};

} // namespace korvo
