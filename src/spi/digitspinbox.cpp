#include "spi/digitspinbox.h"

#include <QLineEdit>
#include <QTimer>

namespace korvo {

QValidator::State DigitSpinBox::validate(QString &input, int &pos) const
{
    (void)pos;
    for (const QChar c : input)
        if (c < u'0' || c > u'9')
            return QValidator::Invalid;
    return input.isEmpty() ? QValidator::Intermediate : QValidator::Acceptable;
}

int DigitSpinBox::valueFromText(const QString &text) const
{
    // Saturates long before a 30-digit number could overflow.
    qint64 value = 0;
    for (const QChar c : text) {
        value = value * 10 + (c.unicode() - u'0');
        if (value > maximum())
            return maximum();
    }
    return std::max<int>(minimum(), int(value));
}

void DigitSpinBox::fixup(QString &input) const
{
    input = QString::number(valueFromText(input));
}

void DigitSpinBox::focusInEvent(QFocusEvent *event)
{
    QSpinBox::focusInEvent(event);
    // After the click that gave focus has placed the cursor.
    QTimer::singleShot(0, lineEdit(), &QLineEdit::selectAll);
}

} // namespace korvo
