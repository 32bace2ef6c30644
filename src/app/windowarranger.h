#pragma once

// Window arithmetic: where Tile Horizontally, Tile Vertically and Cascade put the child windows, and how a
// stored place is kept where the user can reach it.

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

// A place kept inside an area (a screen's available area, a client area): no larger than the area, and
// moved in by the least distance. A place written on a bigger screen never leaves a window out of reach.
QRect keptInside(const QRect &place, const QRect &area);

} // namespace korvo
