#include "functionkeys/functionkeybar.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QToolTip>

namespace korvo {

namespace {
// 30 twips, the margin around and between the keys.
constexpr int kMargin = 2;
constexpr int kColumns = 5;

QString keyName(int key)
{
    return QStringLiteral("F%1").arg(key + 1);
}
} // namespace

FunctionKeyBar::FunctionKeyBar(QWidget *parent) : QWidget(parent)
{
    installDrawnItemsAccessible();
    setObjectName(QStringLiteral("cmdFunc"));
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    for (int key = 0; key < kKeys; ++key)
        m_keys[size_t(key)].text = keyName(key);
}

void FunctionKeyBar::setCaptions(const QStringList &captions)
{
    for (int key = 0; key < kKeys; ++key) {
        const QString caption = captions.value(key);
        Key &k = m_keys[size_t(key)];
        k.text = caption.isEmpty() ? keyName(key) : caption;
        k.toolTip = QStringLiteral("(F%1) %2").arg(key + 1).arg(caption);
    }
    update();
}

void FunctionKeyBar::setRunning(int key, bool running)
{
    if (key < 0 || key >= kKeys)
        return;
    m_keys[size_t(key)].running = running;
    update(keyRect(key));
}

QRect FunctionKeyBar::keyRect(int key) const
{
    // Each column a fifth of what the margins leave, the rounding spread over the columns.
    const int room = width() - 2 * kMargin - (kColumns - 1) * kMargin;
    const int column = key % kColumns;
    const int row = key / kColumns;
    const int left = kMargin + column * kMargin + room * column / kColumns;
    const int right = kMargin + column * kMargin + room * (column + 1) / kColumns;
    return QRect(left, kMargin + row * (keyHeight() + kMargin), right - left, keyHeight());
}

int FunctionKeyBar::keyAt(const QPoint &pos) const
{
    for (int key = 0; key < kKeys; ++key) {
        if (keyRect(key).contains(pos))
            return key;
    }
    return -1;
}

void FunctionKeyBar::click(int key)
{
    if (key >= 0 && key < kKeys && isEnabled())
        Q_EMIT pressed(key);
}

QString FunctionKeyBar::itemText(int item, QAccessible::Text text) const
{
    if (text == QAccessible::Name)
        return this->text(item);
    return text == QAccessible::Description ? keyToolTip(item) : QString();
}

QSize FunctionKeyBar::sizeHint() const
{
    // Asked for at every layout; it changes only with the font or the style.
    if (!m_sizeHint.isValid()) {
        const QFontMetrics metrics(keyFont(0));
        const int keyWidth = metrics.horizontalAdvance(keyName(kKeys - 1)) + 4 * metrics.averageCharWidth();
        m_sizeHint = {kColumns * keyWidth + (kColumns + 1) * kMargin, 2 * keyHeight() + 3 * kMargin};
    }
    return m_sizeHint;
}

QSize FunctionKeyBar::minimumSizeHint() const
{
    return {kColumns + (kColumns + 1) * kMargin, sizeHint().height()};
}

bool FunctionKeyBar::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const int key = keyAt(help->pos());
        if (key >= 0)
            QToolTip::showText(help->globalPos(), m_keys[size_t(key)].toolTip, this, keyRect(key));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void FunctionKeyBar::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    for (int key = 0; key < kKeys; ++key) {
        const QStyleOptionButton option = keyOption(key);
        if (!event->rect().intersects(option.rect))
            continue;
        painter.setFont(keyFont(key));
        style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
    }
}

void FunctionKeyBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_down = keyAt(event->position().toPoint());
    setHovered(m_down);
    if (m_down >= 0)
        update(keyRect(m_down));
}

void FunctionKeyBar::mouseMoveEvent(QMouseEvent *event)
{
    setHovered(keyAt(event->position().toPoint()));
}

void FunctionKeyBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const int down = std::exchange(m_down, -1);
    if (down < 0)
        return;
    update(keyRect(down));
    // As with a button: letting go outside the key it went down on presses nothing.
    if (keyAt(event->position().toPoint()) == down)
        click(down);
}

void FunctionKeyBar::leaveEvent(QEvent *event)
{
    setHovered(-1);
    QWidget::leaveEvent(event);
}

void FunctionKeyBar::contextMenuEvent(QContextMenuEvent *event)
{
    const int key = keyAt(event->pos());
    if (key >= 0)
        Q_EMIT editRequested(key);
}

void FunctionKeyBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_keyHeight = -1;
        m_sizeHint = QSize();
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

QFont FunctionKeyBar::keyFont(int key) const
{
    QFont f = font();
    f.setBold(isBold(key));
    return f;
}

QStyleOptionButton FunctionKeyBar::keyOption(int key) const
{
    QStyleOptionButton option;
    option.initFrom(this);
    option.state &= ~QStyle::State_HasFocus;
    option.rect = keyRect(key);
    option.fontMetrics = QFontMetrics(keyFont(key));
    // A caption's "&" is text, not a mnemonic.
    option.text = QString(m_keys[size_t(key)].text).replace(u'&', QLatin1String("&&"));
    const bool down = key == m_down && key == m_hovered;
    option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    if (key == m_hovered)
        option.state |= QStyle::State_MouseOver;
    else
        option.state &= ~QStyle::State_MouseOver;
    return option;
}

int FunctionKeyBar::keyHeight() const
{
    if (m_keyHeight < 0) {
        QStyleOptionButton option;
        option.initFrom(this);
        const QFontMetrics metrics(keyFont(0));
        option.fontMetrics = metrics;
        option.text = keyName(kKeys - 1);
        const QSize text = metrics.size(Qt::TextShowMnemonic, option.text);
        m_keyHeight = style()->sizeFromContents(QStyle::CT_PushButton, &option, text, this).height();
    }
    return m_keyHeight;
}

void FunctionKeyBar::setHovered(int key)
{
    if (key == m_hovered)
        return;
    const int was = std::exchange(m_hovered, key);
    if (was >= 0)
        update(keyRect(was));
    if (key >= 0)
        update(keyRect(key));
}

} // namespace korvo
