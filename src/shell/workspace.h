#pragma once

// The workspace as the application state holds it: reading it from the preferences file, which slots
// reopen a window, and the slot arithmetic of new windows. No widgets: the main window opens the windows
// that this class names.

#include "app/appstate.h"

#include <QList>
#include <QString>

namespace korvo {

class Workspace
{
public:
    static constexpr int kNewWindowOffsetTwips = 350;

    explicit Workspace(AppState &state) : m_state(state) {}

    // Resets both slot tables to the template slot and the recent list, reads the preferences file and the
    // keyword lists; false when a keyword list could not be read.
    bool load();
    // Edit slots whose window reopens, in slot order.
    QList<int> editSlotsToOpen() const;
    // Terminal slots whose window reopens, in slot order; AutoName slots get their "Terminal n" name.
    QList<int> commSlotsToOpen();
    // The active terminal after loading: the first one not minimised, else the last slot (none when no
    // terminal is open).
    void settleActiveTerminal(int firstNotMinimised);

    // LoadNewComm's slot: the lowest free slot 1..9 filled from the template, moved down and right by
    // 350 twips per slot number, its port the slot number, disconnected; 0 when all nine are taken.
    int newCommSlot();
    // The same for an edit window holding a document name; there is no upper limit.
    int newEditSlot(const QString &name);
    // A window is gone for good: its slot is free again.
    void releaseSlot(WindowKind kind, int slot);

private:
    AppState &m_state;
};

} // namespace korvo
