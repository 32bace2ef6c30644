#pragma once

// Where a top-level window opens: its stored place kept on the screen it will show on, and the first place
// of a tool window, over the main window's client area rather than over its menus and toolbar.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

namespace korvo {

// The available area (without panels and docks) of the screen that will show a place: the screen under
// its centre, else the screen of `near`, else the primary screen.
QRect availableScreenArea(const QRect &place, const QWidget *near);

// What the window manager adds around a window's contents (title bar, borders); none before it is shown.
QMargins frameMargins(const QWidget *window);

// A stored top-left corner in pixels, or none when the record still holds 0,0: a window never placed.
std::optional<QPoint> storedCorner(int x, int y);

// A first place: a little in from the top-left corner of the owner's client area (the central widget of a
// main window), in screen coordinates.
QPoint overClientArea(const QWidget *owner);

// Moves a top-level window's frame to framePos and sizes its contents, the whole frame kept on the screen
// it will show on. A window gets its frame only once shown; until then its owner (parent) lends its own
// frame margins, which the window manager gives every window alike.
void placeTopLevel(QWidget *window, const QPoint &framePos, const QSize &size);

} // namespace korvo
