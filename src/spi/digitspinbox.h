#pragma once

// A count or rate field with its up-down buttons: digits only (other keys are dropped), any number of them,
// the value clamped to the range instead of refused; getting focus selects the whole text.

#include <QSpinBox>

namespace korvo {

class DigitSpinBox : public QSpinBox
{
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    int valueFromText(const QString &text) const override;
    void fixup(QString &input) const override;
    void focusInEvent(QFocusEvent *event) override;
};

} // namespace korvo
