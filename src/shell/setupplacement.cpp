#include "setupplacement.h"

#include "app/twips.h"
#include "app/windowarranger.h"
#include "ui/windowplace.h"

#include <QEvent>
#include <QMainWindow>
#include <QScreen>

namespace korvo {

SetupPlacement::SetupPlacement(QMainWindow *window, SetupRecord &setup)
    : QObject(window), m_window(window), m_setup(setup)
{
    window->installEventFilter(this);
}

double SetupPlacement::dpi() const
{
    const QScreen *s = m_window->screen();
    return s ? s->logicalDotsPerInch() : 96.0;
}

void SetupPlacement::placeByDefault()
{
    if (const QScreen *s = m_window->screen()) {
        const QRect available = s->availableGeometry();
        m_window->setGeometry(QRect(available.topLeft(), available.size() * 3 / 4));
    }
}

void SetupPlacement::apply()
{
    const SetupRecord &setup = m_setup;
    const double d = dpi();
    const QRect rect = pixelRectOf(setup, d);
    if (rect.width() > 0 && rect.height() > 0)
        m_window->setGeometry(keptInside(rect, availableScreenArea(rect, m_window)));
    if (m_started) {
        if (setup.state == 2)
            m_window->showMaximized();
        else if (m_window->isMaximized())
            m_window->showNormal();
    }
}

void SetupPlacement::showStarted()
{
    m_started = true;
    if (m_setup.state == 2) {
        m_window->showMaximized();
    } else {
        m_window->showNormal();
        // Only a shown window has its frame: the title bar too must be on the screen.
        placeTopLevel(m_window, m_window->frameGeometry().topLeft(), m_window->size());
    }
}

void SetupPlacement::store()
{
    storePixelRect(m_setup, m_window->geometry(), dpi());
}

void SetupPlacement::storeOnExit()
{
    SetupRecord &setup = m_setup;
    setup.state = m_window->isMinimized() ? 1 : (m_window->isMaximized() ? 2 : 0);
    if (setup.state == 0)
        store();
}

bool SetupPlacement::eventFilter(QObject *watched, QEvent *event)
{
    // The events come after the geometry changed; a maximised or minimised window keeps its normal place.
    if (watched == m_window && (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
        m_started && m_window->windowState() == Qt::WindowNoState)
        store();
    return QObject::eventFilter(watched, event);
}

} // namespace korvo
