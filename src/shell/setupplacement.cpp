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
        placeFrame(QRect(available.topLeft(), available.size() * 3 / 4));
    }
}

void SetupPlacement::placeFrame(const QRect &frame)
{
    // A window's position is its frame's and its size its contents': a place given to the contents put
    // the title bar above the screen's top edge, where it cannot be grabbed.
    placeTopLevel(m_window, frame.topLeft(), frame.size().shrunkBy(frameMargins(m_window)));
}

void SetupPlacement::apply()
{
    const SetupRecord &setup = m_setup;
    const QRect rect = pixelRectOf(setup, dpi());
    if (rect.width() > 0 && rect.height() > 0)
        placeFrame(rect);
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
        const QRect frame = m_window->frameGeometry();
        m_window->showNormal();
        // Only a shown window has its frame: the same frame again, now that its margins are known.
        placeFrame(frame);
    }
}

void SetupPlacement::store()
{
    storePixelRect(m_setup, m_window->frameGeometry(), dpi());
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
