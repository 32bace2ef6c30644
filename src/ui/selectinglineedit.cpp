#include "ui/selectinglineedit.h"

#include <QTimer>

namespace korvo {

void SelectingLineEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // After the click that brought focus has placed the caret.
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

} // namespace korvo
