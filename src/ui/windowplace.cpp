#include "ui/windowplace.h"

#include "app/windowarranger.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMargins>
#include <QScreen>

namespace korvo {

namespace {
// Far enough in that the window's edge does not hide the client area's own top-left window frame.
constexpr int kInset = 24;
} // namespace

QMargins frameMargins(const QWidget *window)
{
    if (!window)
        return {};
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                    frame.bottom() - inner.bottom());
}

QRect availableScreenArea(const QRect &place, const QWidget *near)
{
    const QScreen *screen = QGuiApplication::screenAt(place.center());
    if (!screen && near)
        screen = near->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

std::optional<QPoint> storedCorner(int x, int y)
{
    if (x == 0 && y == 0)
        return std::nullopt;
    return QPoint(x, y);
}

QPoint overClientArea(const QWidget *owner)
{
    const auto *main = qobject_cast<const QMainWindow *>(owner);
    const QWidget *client = main && main->centralWidget() ? main->centralWidget() : owner;
    if (!client)
        return availableScreenArea(QRect(), nullptr).topLeft() + QPoint(kInset, kInset);
    return client->mapToGlobal(QPoint(kInset, kInset));
}

void placeTopLevel(QWidget *window, const QPoint &framePos, const QSize &size)
{
    const QMargins margins = frameMargins(window->isVisible() ? window : window->parentWidget());
    const QRect frame(framePos, size.grownBy(margins));
    const QRect area = availableScreenArea(frame, window->parentWidget());
    window->resize(keptInside(frame, area).size().shrunkBy(margins));
    // Its layout may not let it be as small; one whose least size is larger than the screen keeps its
    // top-left corner on it.
    const QSize least = window->size().expandedTo(window->minimumSizeHint());
    window->move(keptInside(QRect(framePos, least.grownBy(margins)), area).topLeft());
}

} // namespace korvo
