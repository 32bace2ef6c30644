#pragma once

// The terminal's key table: the keys that belong to the terminal even where the menus have shortcuts for
// them, and the characters a typed key sends to the device.

#include <QString>

class QKeyEvent;

namespace korvo {

bool isTerminalKey(const QKeyEvent *event);
// What the key sends: its text, or the control character of Ctrl+letter, CR, BS, ESC, TAB, the escape
// sequences of Home and Insert; empty for keys that send nothing (and for Alt combinations, which are the
// menus' mnemonics).
QString typedText(const QKeyEvent *event);

} // namespace korvo
