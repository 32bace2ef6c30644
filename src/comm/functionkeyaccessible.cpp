#include "comm/functionkeyaccessible.h"

#include "comm/functionkeybar.h"

#include <QAccessibleWidget>
#include <QPointer>

namespace korvo {

namespace {

class KeyInterface : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    KeyInterface(FunctionKeyBar *bar, int key) : m_bar(bar), m_key(key) {}

    bool isValid() const override { return m_bar; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_bar ? m_bar->window()->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_bar); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (!m_bar)
            return {};
        if (t == QAccessible::Name)
            return m_bar->text(m_key);
        if (t == QAccessible::Description)
            return m_bar->keyToolTip(m_key);
        return {};
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!m_bar)
            return {};
        const QRect key = m_bar->keyRect(m_key);
        return {m_bar->mapToGlobal(key.topLeft()), key.size()};
    }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !m_bar || !m_bar->isVisible();
        s.disabled = !m_bar || !m_bar->isEnabled();
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (m_bar && name == pressAction())
            m_bar->click(m_key);
    }
    QStringList keyBindingsForAction(const QString &name) const override
    {
        return name == pressAction() ? QStringList{QStringLiteral("F%1").arg(m_key + 1)} : QStringList{};
    }

private:
    QPointer<FunctionKeyBar> m_bar;
    int m_key;
};

class BarInterface : public QAccessibleWidget
{
public:
    explicit BarInterface(FunctionKeyBar *bar) : QAccessibleWidget(bar, QAccessible::Grouping) {}
    ~BarInterface() override
    {
        for (QAccessible::Id id : m_keys) {
            if (id)
                QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override { return FunctionKeyBar::kKeys; }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= FunctionKeyBar::kKeys)
            return nullptr;
        // Made when first asked for and kept, so that tools see the same key each time.
        QAccessible::Id &id = m_keys[size_t(index)];
        if (!id)
            id = QAccessible::registerAccessibleInterface(new KeyInterface(bar(), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int key = 0; key < FunctionKeyBar::kKeys; ++key) {
            if (m_keys[size_t(key)] && QAccessible::accessibleInterface(m_keys[size_t(key)]) == child)
                return key;
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        return child(bar()->keyAt(bar()->mapFromGlobal(QPoint(x, y))));
    }

private:
    FunctionKeyBar *bar() const { return static_cast<FunctionKeyBar *>(widget()); }

    mutable std::array<QAccessible::Id, FunctionKeyBar::kKeys> m_keys{};
};

QAccessibleInterface *barFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(FunctionKeyBar::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new BarInterface(static_cast<FunctionKeyBar *>(object));
    return nullptr;
}

} // namespace

void installFunctionKeyAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(barFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace korvo
