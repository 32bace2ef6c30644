#include "terminal/terminalinput.h"

#include "app/cp1252.h"
#include "app/texthelpers.h"
#include "link/commlink.h"
#include "terminal/terminalkeys.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <Qsci/qsciscintillabase.h>

namespace korvo {

namespace {

QString clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

// Line ends as the device gets them from a pasted or dropped text, whatever the source used: a paste ends
// its lines as a typed Enter does (CR), so that a copied line goes back to the device unchanged; a drop,
// paced at LF, sends CR LF.
QString deviceLineEnds(QString text, char pacedAt)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1String("\n"), pacedAt == '\r' ? QLatin1String("\r") : QLatin1String("\r\n"));
    return text;
}

} // namespace

TerminalInput::TerminalInput(TerminalView &view, const TerminalScreen &screen, CommLink &link)
    : m_view(view), m_screen(screen), m_link(link)
{
    view.installEventFilter(this);
    view.viewport()->installEventFilter(this);
    view.viewport()->setAcceptDrops(true);
}

TerminalInput::~TerminalInput()
{
    // The view's own teardown sends events; they must no longer reach this filter.
    m_view.viewport()->removeEventFilter(this);
    m_view.removeEventFilter(this);
}

void TerminalInput::pasteClipboard()
{
    sendWithLineEnd(trimLineEnds(clipboardText()), '\r');
}

void TerminalInput::writeClipboard()
{
    const QByteArray data = encodeForDevice(deviceLineEnds(clipboardText(), '\r'));
    if (data.isEmpty())
        return;
    CommLink &link = m_link;
    if (link.isTcp())
        link.sendToComm(data, false);
    else
        link.writeToPort(data);
}

void TerminalInput::sendWithLineEnd(const QString &text, char lineEnd)
{
    const QByteArray data = encodeForDevice(deviceLineEnds(text, lineEnd));
    if (!data.isEmpty())
        m_link.sendToComm(data, true, lineEnd);
}

bool TerminalInput::eventFilter(QObject *watched, QEvent *event)
{
    TerminalView &view = m_view;
    if (watched == &view) {
        if (event->type() == QEvent::ShortcutOverride) {
            // Keys of the terminal's own table must reach it even where the menus have shortcuts for them.
            if (isTerminalKey(static_cast<QKeyEvent *>(event))) {
                event->accept();
                return true;
            }
        } else if (event->type() == QEvent::KeyPress) {
            const bool handled = handleKey(static_cast<QKeyEvent *>(event));
            emit keyHandled();
            return handled;
        }
        return false;
    }
    if (watched != view.viewport())
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (acceptsDrop(drag))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!acceptsDrop(drop)) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        sendWithLineEnd(drop->mimeData()->text(), '\n');
        return true;
    }
    default:
        return false;
    }
}

bool TerminalInput::acceptsDrop(const QDropEvent *event) const
{
    if (!event->mimeData()->hasText() || !m_link.isConnected())
        return false;
    // Only a selection dragged out of one of our edit windows is sent; files and foreign text are not.
    for (const QObject *o = event->source(); o; o = o->parent())
        if (qobject_cast<const QsciScintillaBase *>(o))
            return true;
    return false;
}

bool TerminalInput::handleKey(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    TerminalView &view = m_view;
    const int page = m_screen.rows();

    if (key >= Qt::Key_F1 && key <= Qt::Key_F10) {
        const int n = key - Qt::Key_F1 + 1;
        if (ctrl)
            emit editFunctionKeyPressed(n);
        else
            emit functionKeyPressed(n);
        return true;
    }
    switch (key) {
    case Qt::Key_F11:
    case Qt::Key_F12:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    case Qt::Key_Insert:
        if (shift)
            writeClipboard();
        else if (ctrl)
            emit copyRequested();
        else
            break; // plain Insert goes to the device
        return true;
    case Qt::Key_Delete:
        if (shift)
            emit copyRequested();
        else
            view.clearSelection();
        return true;
    case Qt::Key_PageUp:
        view.scrollLines(-page);
        return true;
    case Qt::Key_PageDown:
        view.scrollLines(page);
        return true;
    case Qt::Key_Up:
        view.scrollLines(-1);
        return true;
    case Qt::Key_Down:
        view.scrollLines(1);
        return true;
    case Qt::Key_Home:
        if (!ctrl)
            break; // plain Home goes to the device
        view.scrollLines(-page);
        view.scrollToTop();
        return true;
    case Qt::Key_End:
        if (ctrl)
            view.scrollToBottom();
        return true;
    default:
        break;
    }
    if (ctrl && key == Qt::Key_V) {
        // Unlike the Paste command, the key sends the clipboard as it is, blanks at line ends included.
        sendWithLineEnd(clipboardText(), '\r');
        return true;
    }
    if (ctrl && key == Qt::Key_C) {
        if (view.hasSelection())
            emit copyRequested();
        else
            m_link.sendTypedChar('\x03');
        return true;
    }

    const QString typed = typedText(event);
    if (typed.isEmpty())
        return false; // Alt: menu mnemonics, not device traffic
    // Typed characters go to the device only; its echo is what appears on the screen.
    for (const char c : encodeForDevice(typed))
        m_link.sendTypedChar(c);
    return true;
}

} // namespace korvo
