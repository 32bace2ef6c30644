#include "appstate.h"

namespace korvo {

AppState &app()
{
    static AppState state;
    return state;
}

void AppState::resetSlots()
{
    editSlots.resize(1);
    commSlots.resize(1);
    editSlots[0].modified = false;
    docCt = 0;
    commCt = 0;
    activeDoc = 0;
    activeComm = 0;
}

void AppState::ensureEditSlot(int n)
{
    if (static_cast<int>(editSlots.size()) <= n) {
        EditSlot freeSlot;
        freeSlot.state = kSlotFree;
        editSlots.resize(n + 1, freeSlot);
    }
}

void AppState::ensureCommSlot(int n)
{
    if (static_cast<int>(commSlots.size()) <= n) {
        CommWindowSettings freeSlot;
        freeSlot.state = kSlotFree;
        commSlots.resize(n + 1, freeSlot);
    }
}

int AppState::findNext(WindowKind kind) const
{
    const int count = kind == WindowKind::Edit ? docCt : commCt;
    for (int n = 1; n <= count; ++n) {
        const int16_t state = kind == WindowKind::Edit ? editSlots[n].state : commSlots[n].state;
        if (state < 0)
            return n;
    }
    return count + 1;
}

int AppState::countWindows(WindowKind kind) const
{
    const int count = kind == WindowKind::Edit ? docCt : commCt;
    int open = 0;
    for (int n = 1; n <= count; ++n) {
        const int16_t state = kind == WindowKind::Edit ? editSlots[n].state : commSlots[n].state;
        if (state >= 0)
            ++open;
    }
    return open;
}

} // namespace korvo
