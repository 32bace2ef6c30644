#include "terminal/terminalkeys.h"

#include <QKeyEvent>

namespace korvo {

bool isTerminalKey(const QKeyEvent *event)
{
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return true;
    if (ctrl)
        return key == Qt::Key_C || key == Qt::Key_V || key == Qt::Key_Insert || key == Qt::Key_Home ||
               key == Qt::Key_End;
    switch (key) {
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return !event->text().isEmpty() && !(event->modifiers() & Qt::AltModifier);
    }
}

QString typedText(const QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::AltModifier)
        return {};
    if ((mods & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return QChar(char16_t(key - Qt::Key_A + 1));
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Escape:
        return QStringLiteral("\x1b");
    case Qt::Key_Tab:
        return QStringLiteral("\t");
    // As an ANSI terminal sends them; the terminal keeps the other editing keys for itself.
    case Qt::Key_Home:
        return QStringLiteral("\x1b[H");
    case Qt::Key_Insert:
        return QStringLiteral("\x1b[2~");
    default:
        return event->text();
    }
}

} // namespace korvo
