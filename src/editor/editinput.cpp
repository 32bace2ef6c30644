#include "editinput.h"

#include "editor/editwindow.h"

#include <Qsci/qsciscintilla.h>

#include <QKeyEvent>
#include <QMouseEvent>

namespace korvo {

EditInput::EditInput(EditWindow &window) : m_window(window)
{
    window.editor()->installEventFilter(this);
    window.editor()->viewport()->installEventFilter(this);
}

bool EditInput::handleKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    if (key == Qt::Key_Delete && mods == Qt::ShiftModifier) {
        m_window.cut();
    } else if (key == Qt::Key_Insert && mods == Qt::ControlModifier) {
        m_window.copy();
    } else if (key == Qt::Key_Insert && mods == Qt::ShiftModifier) {
        m_window.paste();
    } else if (key == Qt::Key_Insert && mods == Qt::NoModifier) {
        m_window.toggleOverwrite();
    } else if (key == Qt::Key_Backspace && mods == Qt::AltModifier) {
        m_window.undo();
    } else if ((key == Qt::Key_C && mods == Qt::ControlModifier) || event->text() == QStringLiteral("\x03")) {
        m_window.copy();
    } else if ((key == Qt::Key_V && mods == Qt::ControlModifier) || event->text() == QStringLiteral("\x16")) {
        m_window.paste();
    } else {
        return false;
    }
    return true;
}

bool EditInput::eventFilter(QObject *watched, QEvent *event)
{
    QsciScintilla *editor = m_window.editor();
    if (watched == editor) {
        if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent *>(event)))
            return true;
        if (event->type() == QEvent::FocusIn)
            m_window.activate();
    } else if (watched == editor->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_window.enableEditToolBar(m_window.host());
            break;
        case QEvent::MouseButtonRelease: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::RightButton) {
                m_window.setupEditMenu(m_window.host());
                m_window.host().showEditMenu(mouse->globalPosition().toPoint());
                return true;
            }
            break;
        }
        case QEvent::ContextMenu:
            return true; // the edit menu opens on the button release instead
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korvo
