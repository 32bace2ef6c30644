#include "settings/preferences.h"

namespace korvo {

void Preferences::resetSlots()
{
    editSlots.resize(1);
    commSlots.resize(1);
    editSlots[0].modified = false;
    docCt = 0;
    commCt = 0;
}

void Preferences::ensureEditSlot(int n)
{
    if (static_cast<int>(editSlots.size()) <= n) {
        EditSlot freeSlot;
        freeSlot.state = kSlotFree;
        editSlots.resize(n + 1, freeSlot);
    }
}

void Preferences::ensureCommSlot(int n)
{
    if (static_cast<int>(commSlots.size()) <= n) {
        CommWindowSettings freeSlot;
        freeSlot.state = kSlotFree;
        commSlots.resize(n + 1, freeSlot);
    }
}

int Preferences::findNext(WindowKind kind) const
{
    const int count = kind == WindowKind::Edit ? docCt : commCt;
    for (int n = 1; n <= count; ++n) {
        const int16_t state = kind == WindowKind::Edit ? editSlots[n].state : commSlots[n].state;
        if (state < 0)
            return n;
    }
    return count + 1;
}

int Preferences::countWindows(WindowKind kind) const
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
