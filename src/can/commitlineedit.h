#pragma once

// An entry field of the CAN window: Enter (always swallowed) or leaving the field commits it, entering it
// selects the whole text, and an empty field is grey: the value to be computed.

#include "ui/selectinglineedit.h"

namespace korvo {

class CommitLineEdit : public SelectingLineEdit
{
    Q_OBJECT
public:
    explicit CommitLineEdit(QWidget *parent = nullptr);

    // Read-only, with the window's background.
    void setLocked(bool locked);
    // A program write: no textEdited, only the colour follows.
    void showText(const QString &text);

Q_SIGNALS:
    void committed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void updateColour();
};

} // namespace korvo
