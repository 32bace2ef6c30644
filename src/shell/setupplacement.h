#pragma once

// The main window's place, size and state in the [Setup] record of the preferences file (twips, of the
// frame with its title bar; state 0 normal, 1 minimised, 2 maximised): applied when a workspace is read,
// followed while the user moves or resizes the normal window once it has been shown, and recorded on exit.

#include "settings/preferences.h"

#include <QObject>
#include <QRect>

class QMainWindow;

namespace korvo {

class SetupPlacement : public QObject
{
    Q_OBJECT
public:
    // The placement is kept in setup.
    SetupPlacement(QMainWindow *window, SetupRecord &setup);

    // Before the preferences are read: the top-left three quarters of the screen.
    void placeByDefault();
    // Puts the window where the record says, kept on the screen it shows on; once shown, also in its state.
    void apply();
    // Shows the window for the first time: maximised when it was at exit, otherwise normal (a window that
    // was minimised comes back normal: the user just started it). Moves and resizes count from now on.
    void showStarted();
    // Records the window's place and size.
    void store();
    // On exit: its state too, and its place only when it is neither minimised nor maximised.
    void storeOnExit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    double dpi() const;
    // The whole frame at this place, kept on the screen it shows on.
    void placeFrame(const QRect &frame);

    QMainWindow *m_window;
    SetupRecord &m_setup;
    bool m_started = false;
};

} // namespace korvo
