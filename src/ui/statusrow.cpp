#include "statusrow.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qdrawutil.h>

namespace korvo {

namespace {
constexpr int kMargin = 2;
}

StatusRow::StatusRow(Look look, QWidget *parent) : QWidget(parent), m_look(look)
{
    installDrawnItemsAccessible();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void StatusRow::addPanel(const QString &key, bool stretch)
{
    Panel panel;
    panel.key = key;
    panel.stretch = stretch;
    panel.width = naturalWidth(panel);
    m_panels.push_back(panel);
    layoutPanels();
}

void StatusRow::addStretch()
{
    addPanel(QString(), true);
}

QString StatusRow::text(const QString &key) const
{
    const Panel *panel = find(key);
    return panel ? panel->text : QString();
}

void StatusRow::setText(const QString &key, const QString &text)
{
    Panel *panel = find(key);
    if (!panel || panel->text == text)
        return;
    panel->text = text;
    panel->width = naturalWidth(*panel);
    // Only the width changes, which the row's parent does not lay out by.
    layoutPanels();
    update();
}

QString StatusRow::panelToolTip(const QString &key) const
{
    const Panel *panel = find(key);
    return panel ? tipOf(*panel) : QString();
}

void StatusRow::setPanelToolTip(const QString &key, const QString &tip)
{
    if (Panel *panel = find(key))
        panel->toolTip = tip;
}

void StatusRow::setToolTipSource(const QString &key, std::function<QString()> source)
{
    if (Panel *panel = find(key))
        panel->toolTipSource = std::move(source);
}

bool StatusRow::isPanelEnabled(const QString &key) const
{
    const Panel *panel = find(key);
    return panel && panel->enabled && isEnabled();
}

void StatusRow::setPanelEnabled(const QString &key, bool enabled)
{
    Panel *panel = find(key);
    if (!panel || panel->enabled == enabled)
        return;
    panel->enabled = enabled;
    update(panel->rect);
}

QRect StatusRow::panelRect(const QString &key) const
{
    const Panel *panel = find(key);
    return panel ? panel->rect : QRect();
}

QString StatusRow::panelAt(const QPoint &pos) const
{
    // A stretch has no key: a point on it is between panels.
    for (const Panel &panel : m_panels) {
        if (panel.rect.contains(pos))
            return panel.key;
    }
    return QString();
}

QSize StatusRow::sizeHint() const
{
    int width = 2 * kMargin;
    for (const Panel &panel : m_panels)
        width += panel.width + spacing();
    return {width, fontMetrics().height() + 2 * frameWidth() + 2 * kMargin};
}

QSize StatusRow::minimumSizeHint() const
{
    return {2 * kMargin, sizeHint().height()};
}

int StatusRow::itemCount() const
{
    return int(panels().size());
}

QRect StatusRow::itemRect(int item) const
{
    return panels().at(size_t(item))->rect;
}

QString StatusRow::itemText(int item, QAccessible::Text text) const
{
    const Panel &panel = *panels().at(size_t(item));
    if (text == QAccessible::Name)
        return panel.text;
    return text == QAccessible::Description ? tipOf(panel) : QString();
}

bool StatusRow::isItemEnabled(int item) const
{
    return panels().at(size_t(item))->enabled;
}

bool StatusRow::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const Panel *panel = find(panelAt(help->pos()));
        const QString tip = panel ? tipOf(*panel) : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this, panel->rect);
        return true;
    }
    return QWidget::event(event);
}

void StatusRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int inset = frameWidth() + textIndent();
    for (const Panel &panel : m_panels) {
        if (panel.key.isEmpty())
            continue;
        if (m_look == Look::Sunken)
            qDrawShadePanel(&painter, panel.rect, palette(), true, frameWidth());
        const QRect textRect = panel.rect.adjusted(inset, frameWidth(), -inset, -frameWidth());
        const QString shown = metrics.elidedText(panel.text, Qt::ElideRight, textRect.width());
        const bool enabled = panel.enabled && isEnabled();
        QPalette colours = palette();
        colours.setCurrentColorGroup(enabled ? colours.currentColorGroup() : QPalette::Disabled);
        style()->drawItemText(&painter, textRect, Qt::AlignLeft | Qt::AlignVCenter, colours, enabled, shown,
                              QPalette::WindowText);
    }
}

void StatusRow::resizeEvent(QResizeEvent *event)
{
    layoutPanels();
    QWidget::resizeEvent(event);
}

void StatusRow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_spacing = -1;
        for (Panel &panel : m_panels)
            panel.width = naturalWidth(panel);
        layoutPanels();
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

void StatusRow::mousePressEvent(QMouseEvent *event)
{
    const QString key = panelAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && !key.isEmpty())
        Q_EMIT clicked(key);
    QWidget::mousePressEvent(event);
}

void StatusRow::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QString key = panelAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && !key.isEmpty())
        Q_EMIT doubleClicked(key);
    QWidget::mouseDoubleClickEvent(event);
}

const StatusRow::Panel *StatusRow::find(const QString &key) const
{
    for (const Panel &panel : m_panels) {
        if (!panel.key.isEmpty() && panel.key == key)
            return &panel;
    }
    return nullptr;
}

StatusRow::Panel *StatusRow::find(const QString &key)
{
    return const_cast<Panel *>(std::as_const(*this).find(key));
}

std::vector<const StatusRow::Panel *> StatusRow::panels() const
{
    std::vector<const Panel *> named;
    for (const Panel &panel : m_panels) {
        if (!panel.key.isEmpty())
            named.push_back(&panel);
    }
    return named;
}

QString StatusRow::tipOf(const Panel &panel) const
{
    return panel.toolTipSource ? panel.toolTipSource() : panel.toolTip;
}

int StatusRow::frameWidth() const
{
    return m_look == Look::Sunken ? 1 : 0;
}

int StatusRow::textIndent() const
{
    // As a framed label keeps its text off the frame: half an "x" on each side.
    return m_look == Look::Sunken ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
}

int StatusRow::naturalWidth(const Panel &panel) const
{
    if (panel.key.isEmpty())
        return 0;
    // Rounded up: a text given its rounded-down width would be elided.
    const int text = int(std::ceil(QFontMetricsF(font()).horizontalAdvance(panel.text)));
    return text + 2 * (frameWidth() + textIndent());
}

int StatusRow::spacing() const
{
    if (m_spacing < 0) {
        const int metric = style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, this);
        m_spacing = metric >= 0 ? metric : 6;
    }
    return m_spacing;
}

// The widest a panel may be when the row is too narrow for all of them: the widest panels give up room
// first, down to a common cap, so that a long message is elided rather than pushing the panels after it out
// of sight. No cap when everything fits.
static int widthCap(std::vector<int> widths, int room)
{
    std::sort(widths.begin(), widths.end());
    for (size_t i = 0; i < widths.size(); ++i) {
        const int share = std::max(0, room) / int(widths.size() - i);
        if (widths[i] > share)
            return share;
        room -= widths[i];
    }
    return std::numeric_limits<int>::max();
}

void StatusRow::layoutPanels()
{
    const int room = width() - 2 * kMargin - spacing() * (int(m_panels.size()) - 1);
    std::vector<int> widths;
    int stretches = 0;
    for (const Panel &panel : m_panels) {
        widths.push_back(panel.width);
        stretches += panel.stretch ? 1 : 0;
    }
    const int cap = widthCap(widths, room);
    int used = 0;
    for (const int w : widths)
        used += std::min(w, cap);
    const int spare = std::max(0, room - used);
    int x = kMargin;
    int stretchesLeft = stretches;
    int spareLeft = spare;
    for (Panel &panel : m_panels) {
        int w = std::min(panel.width, cap);
        if (panel.stretch) {
            const int share = spareLeft / stretchesLeft--;
            spareLeft -= share;
            w += share;
            // A long message is shortened into the room there is rather than cut off at the row's edge
            // (a message panel last in a narrow window showed one letter).
            w = std::min(w, std::max(0, width() - kMargin - x));
        }
        panel.rect = QRect(x, kMargin, w, height() - 2 * kMargin);
        x += w + spacing();
    }
}

} // namespace korvo
