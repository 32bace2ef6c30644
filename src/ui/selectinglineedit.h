#pragma once

// An entry field of a tool window: it selects its whole text when it gets focus, also by a click, so that
// typing replaces the value.

#include <QLineEdit>

namespace korvo {

class SelectingLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent *event) override;
};

} // namespace korvo
