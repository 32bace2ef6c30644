#pragma once

// Keeps the title bars of sub-windows empty while a workspace opens. A sub-window lays its caption out
// again whenever any sub-window of the area is shown or activated and whenever it is laid out itself, so
// opening n windows with their captions costs some n² text layouts before the first frame; with empty title
// bars the same steps are nearly free, and each caption is laid out once when it is given back.

#include <QList>
#include <QObject>
#include <QPointer>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace korvo {

class CaptionHold : public QObject
{
public:
    explicit CaptionHold(QObject *parent = nullptr);

    // Adds widget to the area in a sub-window whose title bar stays empty until release(); the widget's
    // caption changes wait until then too.
    QMdiSubWindow *addSubWindow(QMdiArea *area, QWidget *widget);
    // Lets the held windows finish the layouts they still wait for, then gives each its widget's caption.
    void release();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QPointer<QMdiSubWindow>> m_held;
};

} // namespace korvo
