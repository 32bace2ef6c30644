#pragma once

// One 8-bit register of the mask and message-frame pages: its hex field and its eight bit cells (bit 7 on
// the left), kept to the register's rule for the identifier length of the frame.

#include "can/registerrules.h"

#include <QWidget>
#include <array>

class QToolButton;

namespace korvo {

class CommitLineEdit;

class RegisterRow : public QWidget
{
    Q_OBJECT
public:
    // captions: the identifier bits the register holds, shown above the cells ("SID28-21").
    RegisterRow(CanRegister reg, const QStringList &captions, QWidget *parent = nullptr);

    // Shows value as it is (no rule applied); locked rows take no entry.
    void showValue(int value, bool extended, bool locked = false);
    int value() const { return m_value; }
    CommitLineEdit *field() const { return m_field; }
    QToolButton *cell(int bit) const { return m_cells[std::size_t(bit)]; }

Q_SIGNALS:
    // The engineer typed into the field (the page is modified).
    void edited();
    // A typed entry or a click changed the value (already shown).
    void changed(int value);

private:
    void commit();
    void click(int bit);
    void showCells();

    CanRegister m_reg;
    int m_value = 0;
    bool m_extended = true;
    CommitLineEdit *m_field = nullptr;
    std::array<QToolButton *, 8> m_cells{};
};

} // namespace korvo
