#include "windowarranger.h"

#include <algorithm>

namespace korvo {

std::vector<ArrangedWindow> arrangeWindows(std::vector<ChildPlacement> windows, ArrangeMode mode,
                                           const QSize &client, int cascadeStep)
{
    std::erase_if(windows, [](const ChildPlacement &w) { return w.minimised; });
    std::stable_sort(windows.begin(), windows.end(), [](const ChildPlacement &a, const ChildPlacement &b) {
        if (a.kind != b.kind)
            return a.kind == WindowKind::Edit;
        return a.slot < b.slot;
    });

    std::vector<ArrangedWindow> placed;
    const int count = static_cast<int>(windows.size());
    if (count == 0)
        return placed;
    placed.reserve(windows.size());
    const int height = client.height() / count;
    const int width = client.width() / count;
    for (int k = 0; k < count; ++k) {
        const ChildPlacement &w = windows[k];
        QRect rect;
        switch (mode) {
        case ArrangeMode::TileHorizontally:
            rect = QRect(0, k * height, client.width(), height);
            break;
        case ArrangeMode::TileVertically:
            rect = QRect(k * width, 0, width, client.height());
            break;
        case ArrangeMode::Cascade:
            rect = QRect(QPoint(k * cascadeStep, k * cascadeStep), w.geometry.size());
            break;
        }
        placed.push_back({w.kind, w.slot, rect});
    }
    return placed;
}

QRect keptInside(const QRect &place, const QRect &area)
{
    if (area.isEmpty())
        return place;
    const QSize size = place.size().boundedTo(area.size());
    const int x = std::clamp(place.x(), area.left(), area.left() + area.width() - size.width());
    const int y = std::clamp(place.y(), area.top(), area.top() + area.height() - size.height());
    return QRect(QPoint(x, y), size);
}

} // namespace korvo
