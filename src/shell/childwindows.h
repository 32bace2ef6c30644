#pragma once

// The main window's child windows: creates terminal and edit windows in their slots inside the MDI area,
// finds them by slot, keeps their slot placement (twips) in step with where they are on the screen.

#include "app/windowarranger.h"
#include "settings/preferences.h"

#include <QIcon>
#include <QObject>
#include <functional>
#include <memory>

class QMdiArea;
class QMenu;
class QMdiSubWindow;
class QWidget;

namespace korvo {

class CaptionHold;
class ChildWindow;

struct ChildSlot
{
    WindowKind kind = WindowKind::None;
    int slot = 0;
};

class ChildWindows : public QObject
{
    Q_OBJECT
public:
    // Builds the window of a slot.
    using Factory = std::function<QWidget *(WindowKind kind, int slot)>;

    // The windows' placement is kept in the slot tables of prefs.
    ChildWindows(QMdiArea *area, Preferences &prefs, Factory factory, QObject *parent = nullptr);
    ~ChildWindows() override;

    // Creates the window of a slot that the slot table already holds, placed and in the slot's state.
    QMdiSubWindow *open(WindowKind kind, int slot);
    // While held, windows open with empty title bars, which get their captions when the hold ends
    // (a workspace opens much faster so: see CaptionHold).
    void holdCaptions(bool hold);
    QMdiSubWindow *subWindow(WindowKind kind, int slot) const;
    QWidget *widget(WindowKind kind, int slot) const;
    // Open windows, edit windows first, then terminals, each in slot order.
    QList<QMdiSubWindow *> all() const;
    static ChildWindow *child(const QMdiSubWindow *sub);

    void activate(WindowKind kind, int slot);
    // Whether every child would close now; asks them all, so each refusal is told, and closes nothing.
    bool mayAllClose() const;
    // Asks every child to close, telling it whether the program exits; false when one of them refused,
    // which a refusal known beforehand (mayAllClose) does before any window closes. closed lists the
    // windows that did close.
    bool closeAll(bool closingApplication, QList<ChildSlot> *closed = nullptr);
    void arrange(ArrangeMode mode);
    // The Window menu's list of open windows from item firstEntry on; choosing one brings it forward.
    void fillWindowList(QMenu *menu, int firstEntry);
    void arrangeIcons();
    // Moves every window in normal state inside the client area the main window can have on its screen,
    // shrinking it when it is larger: a workspace written on a bigger screen leaves no window out of reach.
    // Needs a shown main window; windows opened afterwards are kept inside as they open.
    void keepInReach();

    double dpi() const;
    QRect slotRect(WindowKind kind, int slot) const;
    void storePlacement(const QMdiSubWindow *sub) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect reachableArea() const;

    QMdiArea *m_area;
    Preferences &m_prefs;
    Factory m_factory;
    std::unique_ptr<CaptionHold> m_captions;
    QIcon m_documentIcon; // of every edit window
};

// Window state of a slot (0 normal, 1 minimised, 2 maximised) for a sub-window.
int16_t windowStateCode(const QMdiSubWindow *sub);

} // namespace korvo
