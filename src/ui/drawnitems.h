#pragma once

// A widget that draws several items itself (function keys, status panels) instead of holding a widget per
// item: one widget is built, laid out, shown and painted much faster than ten, which a workspace of many
// windows feels at every start. Assistive tools still see the items one by one: such a widget also derives
// from DrawnItems, and installDrawnItemsAccessible() makes Qt describe it by these answers.

#include <QAccessible>
#include <QRect>
#include <QString>

namespace korvo {

class DrawnItems
{
public:
    virtual ~DrawnItems() = default;

    virtual QAccessible::Role itemsRole() const = 0; // of the widget holding the items
    virtual QAccessible::Role itemRole() const = 0;
    virtual int itemCount() const = 0;
    virtual QRect itemRect(int item) const = 0; // in the widget's coordinates
    virtual QString itemText(int item, QAccessible::Text text) const = 0;
    virtual bool isItemEnabled(int item) const = 0;
    // Items that can be pressed offer the press action.
    virtual bool isItemPressable(int) const { return false; }
    virtual void pressItem(int) {}
};

// Registers the accessible description of every widget that is also DrawnItems; later calls do nothing.
void installDrawnItemsAccessible();

} // namespace korvo
