#include "drawnitems.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <vector>

namespace korvo {

namespace {

class ItemInterface : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    ItemInterface(QWidget *widget, DrawnItems *items, int item)
        : m_widget(widget), m_items(items), m_item(item)
    {
    }

    bool isValid() const override { return m_widget && m_item < m_items->itemCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_widget ? m_widget->window()->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_widget); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return isValid() ? m_items->itemText(m_item, t) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect item = m_items->itemRect(m_item);
        return {m_widget->mapToGlobal(item.topLeft()), item.size()};
    }
    QAccessible::Role role() const override { return m_widget ? m_items->itemRole() : QAccessible::NoRole; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !isValid() || !m_widget->isVisible();
        s.disabled = !isValid() || !m_widget->isEnabled() || !m_items->isItemEnabled(m_item);
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface && isValid() && m_items->isItemPressable(m_item))
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (isValid() && name == pressAction())
            m_items->pressItem(m_item);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<QWidget> m_widget;
    DrawnItems *m_items; // the widget itself: used only while it lives
    int m_item;
};

class ItemsInterface : public QAccessibleWidget
{
public:
    ItemsInterface(QWidget *widget, DrawnItems *items)
        : QAccessibleWidget(widget, items->itemsRole()), m_items(items)
    {
    }
    ~ItemsInterface() override
    {
        for (QAccessible::Id id : m_ids) {
            if (id)
                QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override { return m_items->itemCount(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= m_items->itemCount())
            return nullptr;
        // Made when first asked for and kept, so that tools meet the same item each time.
        if (size_t(index) >= m_ids.size())
            m_ids.resize(size_t(index) + 1);
        QAccessible::Id &id = m_ids[size_t(index)];
        if (!id)
            id = QAccessible::registerAccessibleInterface(new ItemInterface(widget(), m_items, index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (size_t i = 0; i < m_ids.size(); ++i) {
            if (m_ids[i] && QAccessible::accessibleInterface(m_ids[i]) == child)
                return int(i);
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint pos = widget()->mapFromGlobal(QPoint(x, y));
        for (int item = 0; item < m_items->itemCount(); ++item) {
            if (m_items->itemRect(item).contains(pos))
                return child(item);
        }
        return nullptr;
    }

private:
    DrawnItems *m_items;
    mutable std::vector<QAccessible::Id> m_ids;
};

QAccessibleInterface *drawnItemsFactory(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    auto *items = dynamic_cast<DrawnItems *>(object);
    return widget && items ? new ItemsInterface(widget, items) : nullptr;
}

} // namespace

void installDrawnItemsAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(drawnItemsFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace korvo
