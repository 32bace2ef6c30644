#pragma once

// The bar of ten function keys under a terminal (cmdFunc 0..9): two rows of five, each a fifth of the bar's
// width, drawn as push buttons, captions bold except while their key runs, tool tips "(F1) caption". A
// click presses the key; the right mouse button asks for the editor on it. The keys never take the keyboard
// from the terminal.
//
// One widget draws all ten: nine terminals with ten button widgets each were a visible share of the time a
// large workspace takes to its first frame. Assistive tools still see ten buttons (DrawnItems).

#include "ui/drawnitems.h"

#include <QWidget>
#include <array>

class QStyleOptionButton;

namespace korvo {

class FunctionKeyBar : public QWidget, public DrawnItems
{
    Q_OBJECT
public:
    static constexpr int kKeys = 10;

    explicit FunctionKeyBar(QWidget *parent = nullptr);

    // Captions of the current group's keys, F1 first; an empty caption shows the key's name.
    void setCaptions(const QStringList &captions);
    void setRunning(int key, bool running);

    QString text(int key) const { return m_keys.at(size_t(key)).text; }
    QString keyToolTip(int key) const { return m_keys.at(size_t(key)).toolTip; }
    bool isBold(int key) const { return !m_keys.at(size_t(key)).running; }
    QRect keyRect(int key) const;
    // The key under a point of the bar, -1 between keys.
    int keyAt(const QPoint &pos) const;
    // Presses a key as a click on it does (also the accessible press action).
    void click(int key);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    QAccessible::Role itemsRole() const override { return QAccessible::Grouping; }
    QAccessible::Role itemRole() const override { return QAccessible::Button; }
    int itemCount() const override { return kKeys; }
    QRect itemRect(int item) const override { return keyRect(item); }
    QString itemText(int item, QAccessible::Text text) const override;
    bool isItemEnabled(int) const override { return true; }
    bool isItemPressable(int) const override { return true; }
    void pressItem(int item) override { click(item); }

Q_SIGNALS:
    void pressed(int key);
    void editRequested(int key);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Key
    {
        QString text;
        QString toolTip;
        bool running = false;
    };

    QFont keyFont(int key) const;
    QStyleOptionButton keyOption(int key) const;
    int keyHeight() const;
    void setHovered(int key);

    std::array<Key, kKeys> m_keys;
    int m_down = -1;    // the key the left button went down on
    int m_hovered = -1; // the key under the mouse
    // From the style and font, measured when first needed.
    mutable int m_keyHeight = -1;
    mutable QSize m_sizeHint;
};

} // namespace korvo
