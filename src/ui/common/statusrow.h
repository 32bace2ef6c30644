#pragma once

// A window's status bar as one row of panels laid out once. A QStatusBar builds a size grip and rebuilds its
// whole layout for every panel added; with up to 29 windows opening at start-up, that was a visible share
// of the time to the first frame.

#include <QWidget>

class QHBoxLayout;

namespace korvo {

class StatusRow : public QWidget
{
public:
    explicit StatusRow(QWidget *parent);

protected:
    // Panels are placed left to right in the order added; a stretch takes the room left over.
    void addPanel(QWidget *panel, int stretch = 0);
    void addStretch();

private:
    QHBoxLayout *m_layout;
};

} // namespace korvo
