#pragma once

// Window-menu arithmetic: where Tile Horizontally, Tile Vertically and Cascade put the child windows.

#include "app/windowkind.h"

#include <QRect>
#include <QSize>
#include <vector>

namespace korvo {

enum class ArrangeMode { TileHorizontally, TileVertically, Cascade };

struct ChildPlacement
{
    WindowKind kind = WindowKind::None;
    int slot = 0;
    bool minimised = false;
    QRect geometry; // current place in the client area
};

struct ArrangedWindow
{
    WindowKind kind = WindowKind::None;
    int slot = 0;
    QRect geometry;
};

// New places for the windows that are not minimised, edit windows first, then terminal windows, each
// in slot order. Tiles share the client area equally (integer division, the remainder stays unused);
// a cascade moves the k-th window to (k * step, k * step) and keeps its size.
std::vector<ArrangedWindow> arrangeWindows(std::vector<ChildPlacement> windows, ArrangeMode mode,
                                           const QSize &client, int cascadeStep);

} // namespace korvo
