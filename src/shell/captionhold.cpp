#include "captionhold.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace korvo {

CaptionHold::CaptionHold(QObject *parent) : QObject(parent) {}

QMdiSubWindow *CaptionHold::addSubWindow(QMdiArea *area, QWidget *widget)
{
    // A new sub-window takes its widget's caption at once: the widget goes in without it.
    const QString caption = widget->windowTitle();
    widget->setWindowTitle(QString());
    QMdiSubWindow *sub = area->addSubWindow(widget);
    // Installed after the sub-window's own filter, so it sees the widget's caption changes first.
    widget->installEventFilter(this);
    widget->setWindowTitle(caption);
    m_held.append(sub);
    return sub;
}

void CaptionHold::release()
{
    const QList<QPointer<QMdiSubWindow>> held = std::exchange(m_held, {});
    for (const QPointer<QMdiSubWindow> &sub : held) {
        if (!sub || !sub->widget())
            continue;
        QWidget *widget = sub->widget();
        widget->removeEventFilter(this);
        // The layouts that showing the workspace asked for, done while the title bars are still empty.
        QCoreApplication::sendPostedEvents(widget, QEvent::LayoutRequest);
        QCoreApplication::sendPostedEvents(sub, QEvent::LayoutRequest);
    }
    for (const QPointer<QMdiSubWindow> &sub : held) {
        if (!sub || !sub->widget())
            continue;
        // The sub-window takes the caption as from any caption change of its widget.
        QEvent changed(QEvent::WindowTitleChange);
        QCoreApplication::sendEvent(sub->widget(), &changed);
    }
}

bool CaptionHold::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowTitleChange)
        return true;
    return QObject::eventFilter(watched, event);
}

} // namespace korvo
