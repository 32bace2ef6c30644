#include "childwindows.h"

#include "app/twips.h"
#include "shell/captionhold.h"
#include "shell/toolicons.h"
#include "ui/childwindow.h"
#include "ui/windowplace.h"

#include <QAction>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <algorithm>

namespace korvo {

int16_t windowStateCode(const QMdiSubWindow *sub)
{
    if (sub->isMinimized())
        return 1;
    if (sub->isMaximized())
        return 2;
    return 0;
}

ChildWindows::ChildWindows(QMdiArea *area, Preferences &prefs, Factory factory, QObject *parent)
    : QObject(parent), m_area(area), m_prefs(prefs), m_factory(std::move(factory))
{
}

ChildWindows::~ChildWindows() = default;

void ChildWindows::holdCaptions(bool hold)
{
    if (hold && !m_captions) {
        m_captions = std::make_unique<CaptionHold>();
    } else if (!hold && m_captions) {
        m_captions->release();
        m_captions.reset();
    }
}

double ChildWindows::dpi() const
{
    const QScreen *screen = m_area->screen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

QRect ChildWindows::slotRect(WindowKind kind, int slot) const
{
    if (kind == WindowKind::Edit)
        return pixelRectOf(m_prefs.editSlots.at(slot), dpi());
    return pixelRectOf(m_prefs.commSlots.at(slot), dpi());
}

QMdiSubWindow *ChildWindows::open(WindowKind kind, int slot)
{
    // The child may rewrite its slot while it is built (a negative State becomes 0), so read it afterwards.
    QWidget *widget = m_factory(kind, slot);
    if (!widget)
        return nullptr;
    QMdiSubWindow *sub = m_captions ? m_captions->addSubWindow(m_area, widget) : m_area->addSubWindow(widget);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // A document icon tells edit windows apart from terminals at a glance (and when minimised).
    if (kind == WindowKind::Edit) {
        // Looked up in the icon theme once, not for every window.
        if (m_documentIcon.isNull())
            m_documentIcon = toolIcon(QStringLiteral("new"));
        sub->setWindowIcon(m_documentIcon);
    }
    const int16_t code =
        kind == WindowKind::Edit ? m_prefs.editSlots[slot].state : m_prefs.commSlots[slot].state;
    const QRect place = slotRect(kind, slot);
    sub->setGeometry(m_area->isVisible() ? keptInside(place, reachableArea()) : place);
    sub->installEventFilter(this);
    if (code == 1)
        sub->showMinimized();
    else if (code == 2)
        sub->showMaximized();
    else
        sub->show();
    return sub;
}

QRect ChildWindows::reachableArea() const
{
    // The client area of the main window maximised on its screen: what it takes besides the client area
    // (frame, menus, toolbar) is the same in any size. Read while the window may not be maximised yet.
    const QWidget *main = m_area->window();
    const QSize client = m_area->viewport()->size();
    const QSize around = main->frameGeometry().size() - client;
    const QSize screen = availableScreenArea(main->frameGeometry(), main).size();
    return QRect(QPoint(0, 0), (screen - around).expandedTo(client));
}

void ChildWindows::keepInReach()
{
    const QRect area = reachableArea();
    for (QMdiSubWindow *sub : all())
        if (!sub->isMinimized() && !sub->isMaximized())
            sub->setGeometry(keptInside(sub->geometry(), area));
}

ChildWindow *ChildWindows::child(const QMdiSubWindow *sub)
{
    // A closed sub-window lingers until its deferred deletion; it no longer counts as a child.
    if (!sub || (sub->isHidden() && sub->testAttribute(Qt::WA_WState_ExplicitShowHide)))
        return nullptr;
    return dynamic_cast<ChildWindow *>(sub->widget());
}

QMdiSubWindow *ChildWindows::subWindow(WindowKind kind, int slot) const
{
    for (QMdiSubWindow *sub : m_area->subWindowList()) {
        const ChildWindow *c = child(sub);
        if (c && c->kind() == kind && c->slot() == slot)
            return sub;
    }
    return nullptr;
}

QWidget *ChildWindows::widget(WindowKind kind, int slot) const
{
    QMdiSubWindow *sub = subWindow(kind, slot);
    return sub ? sub->widget() : nullptr;
}

QList<QMdiSubWindow *> ChildWindows::all() const
{
    QList<QMdiSubWindow *> subs;
    for (QMdiSubWindow *sub : m_area->subWindowList()) {
        if (child(sub))
            subs.append(sub);
    }
    std::stable_sort(subs.begin(), subs.end(), [](const QMdiSubWindow *a, const QMdiSubWindow *b) {
        const ChildWindow *ca = child(a);
        const ChildWindow *cb = child(b);
        if (ca->kind() != cb->kind())
            return ca->kind() == WindowKind::Edit;
        return ca->slot() < cb->slot();
    });
    return subs;
}

void ChildWindows::activate(WindowKind kind, int slot)
{
    if (QMdiSubWindow *sub = subWindow(kind, slot))
        m_area->setActiveSubWindow(sub);
}

bool ChildWindows::mayAllClose() const
{
    bool all = true;
    for (QMdiSubWindow *sub : this->all())
        all = child(sub)->mayClose() && all;
    return all;
}

bool ChildWindows::closeAll(bool closingApplication, QList<ChildSlot> *closed)
{
    if (!mayAllClose())
        return false;
    for (QMdiSubWindow *sub : all()) {
        ChildWindow *c = child(sub);
        const ChildSlot was{c->kind(), c->slot()};
        c->setClosingApplication(closingApplication);
        if (!sub->close()) {
            // It stays open: closed later by the user, it gives its slot up.
            c->setClosingApplication(false);
            return false;
        }
        if (closed)
            closed->append(was);
    }
    return true;
}

void ChildWindows::arrange(ArrangeMode mode)
{
    std::vector<ChildPlacement> windows;
    const QList<QMdiSubWindow *> subs = all();
    for (QMdiSubWindow *sub : subs) {
        const ChildWindow *c = child(sub);
        windows.push_back({c->kind(), c->slot(), sub->isMinimized(), sub->geometry()});
    }
    const int step = twipsToPixels(400, dpi());
    for (const ArrangedWindow &placed : arrangeWindows(windows, mode, m_area->viewport()->size(), step)) {
        QMdiSubWindow *sub = subWindow(placed.kind, placed.slot);
        if (sub->isMaximized())
            sub->showNormal();
        sub->setGeometry(placed.geometry);
    }
    arrangeIcons();
}

void ChildWindows::arrangeIcons()
{
    // Minimised windows line up along the bottom of the client area, in the same order as the tiles.
    const QSize client = m_area->viewport()->size();
    int x = 0;
    for (QMdiSubWindow *sub : all()) {
        if (!sub->isMinimized())
            continue;
        const QSize size = sub->size();
        sub->move(x, client.height() - size.height());
        x += size.width();
    }
}

void ChildWindows::fillWindowList(QMenu *menu, int firstEntry)
{
    QList<QAction *> actions = menu->actions();
    for (int i = firstEntry; i < actions.size(); ++i) {
        menu->removeAction(actions[i]);
        actions[i]->deleteLater();
    }
    const QList<QMdiSubWindow *> subs = all();
    if (subs.isEmpty())
        return;
    menu->addSeparator();
    int number = 1;
    for (QMdiSubWindow *sub : subs) {
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction *entry =
            menu->addAction(number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title) : title);
        entry->setCheckable(true);
        entry->setChecked(sub == m_area->currentSubWindow());
        connect(entry, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (!sub)
                return;
            if (sub->isMinimized())
                sub->showNormal();
            m_area->setActiveSubWindow(sub);
        });
        ++number;
    }
}

void ChildWindows::storePlacement(const QMdiSubWindow *sub) const
{
    const ChildWindow *c = child(sub);
    if (!c || windowStateCode(sub) != 0)
        return;
    const int slot = c->slot();
    if (c->kind() == WindowKind::Edit && slot < static_cast<int>(m_prefs.editSlots.size()))
        storePixelRect(m_prefs.editSlots[slot], sub->geometry(), dpi());
    else if (c->kind() == WindowKind::Terminal && slot < static_cast<int>(m_prefs.commSlots.size()))
        storePixelRect(m_prefs.commSlots[slot], sub->geometry(), dpi());
}

bool ChildWindows::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        auto *sub = static_cast<QMdiSubWindow *>(watched);
        if (sub->isVisible())
            storePlacement(sub);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korvo
