#pragma once

// A window's status bar: a row of text panels, named by keys, that the row lays out and draws itself. Each
// panel is as wide as its text; a stretching panel (or an empty stretch) takes the room left over. A
// QStatusBar of labels costs a widget, a layout item and several queued events per panel, and rebuilds its
// layout for each one added; with up to 29 windows opening at start-up that was a visible share of the time
// to the first frame. Assistive tools see the panels as texts (DrawnItems).

#include "ui/drawnitems.h"

#include <QWidget>
#include <functional>
#include <vector>

namespace korvo {

class StatusRow : public QWidget, public DrawnItems
{
    Q_OBJECT
public:
    enum class Look {
        Plain,
        Sunken, // each panel in a sunken frame
    };

    StatusRow(Look look, QWidget *parent);

    QString text(const QString &key) const;
    void setText(const QString &key, const QString &text);
    QString panelToolTip(const QString &key) const;
    void setPanelToolTip(const QString &key, const QString &tip);
    // For a tip that costs something to find: asked for only when the tip is about to show.
    void setToolTipSource(const QString &key, std::function<QString()> source);
    bool isPanelEnabled(const QString &key) const;
    void setPanelEnabled(const QString &key, bool enabled);
    QRect panelRect(const QString &key) const;
    // The panel under a point of the row; empty between panels.
    QString panelAt(const QPoint &pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    QAccessible::Role itemsRole() const override { return QAccessible::StatusBar; }
    QAccessible::Role itemRole() const override { return QAccessible::StaticText; }
    int itemCount() const override;
    QRect itemRect(int item) const override;
    QString itemText(int item, QAccessible::Text text) const override;
    bool isItemEnabled(int item) const override;

Q_SIGNALS:
    void clicked(const QString &key); // the left button went down on a panel
    void doubleClicked(const QString &key);

protected:
    // Panels are placed left to right in the order added.
    void addPanel(const QString &key, bool stretch = false);
    void addStretch();

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    struct Panel
    {
        QString key; // empty for a stretch
        QString text;
        QString toolTip;
        std::function<QString()> toolTipSource;
        bool enabled = true;
        bool stretch = false;
        int width = 0; // as the text needs, without a stretch's share
        QRect rect;
    };

    const Panel *find(const QString &key) const;
    Panel *find(const QString &key);
    std::vector<const Panel *> panels() const; // without the stretches, as assistive tools number them
    QString tipOf(const Panel &panel) const;
    int frameWidth() const;
    int textIndent() const;
    int naturalWidth(const Panel &panel) const;
    int spacing() const;
    void layoutPanels();

    Look m_look;
    std::vector<Panel> m_panels;
    mutable int m_spacing = -1; // from the style, once it is asked for
};

} // namespace korvo
