#include "can/commitlineedit.h"

#include <QKeyEvent>

namespace korvo {

CommitLineEdit::CommitLineEdit(QWidget *parent) : SelectingLineEdit(parent)
{
    setAutoFillBackground(true);
    connect(this, &QLineEdit::textChanged, this, &CommitLineEdit::updateColour);
    updateColour();
}

void CommitLineEdit::setLocked(bool locked)
{
    setReadOnly(locked);
    updateColour();
}

void CommitLineEdit::showText(const QString &text)
{
    if (text != this->text())
        setText(text);
    updateColour();
}

void CommitLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit committed();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CommitLineEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Leaving the box commits; its window going to the back (or away, as when it closes with the box in
    // focus, after the page's own state is gone) is not leaving the box.
    const bool left =
        event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
    if (left && !isReadOnly())
        emit committed();
}

void CommitLineEdit::updateColour()
{
    // Locked fields look like the window; empty ones are grey: the value to be computed.
    QPalette p = palette();
    const QPalette normal;
    p.setColor(QPalette::Base, isReadOnly()       ? normal.color(QPalette::Button)
                               : text().isEmpty() ? QColor(192, 192, 192)
                                                  : normal.color(QPalette::Base));
    setPalette(p);
}

} // namespace korvo
