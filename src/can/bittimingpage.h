#pragma once

// Page 0, "&Baud Rate/Bit Timing Calculator": the bit-timing fields over the calculator model, and the
// table of register settings within 1 % of the rate last typed into "Baud Rate:" or "Bit Time:" (else the
// rate shown); picking a row commits BTR0 and BTR1 as if typed.

#include "can/bittimingcalculator.h"

#include <QWidget>
#include <array>

class QLabel;
class QTableWidget;

namespace korvo {

class CommitLineEdit;

class BitTimingPage : public QWidget
{
    Q_OBJECT
public:
    explicit BitTimingPage(QWidget *parent = nullptr);

    // Show_Bit_Timing from the registers.
    void load(int btr0, int btr1);
    int btr0() const { return m_calc.btr0(); }
    int btr1() const { return m_calc.btr1(); }
    CommitLineEdit *field(BitTimingCalculator::Field field) const { return m_fields[std::size_t(field)]; }
    QTableWidget *rateTable() const { return m_table; }
    // Commits the table's row as if its registers were typed.
    void pickRow(int row);

Q_SIGNALS:
    // A field was typed into or a row picked (the page is modified).
    void edited();
    // BTR0 or BTR1 changed.
    void registersChanged();

private:
    void commit(BitTimingCalculator::Field field);
    void refresh();
    void fillTable();

    BitTimingCalculator m_calc;
    std::array<CommitLineEdit *, BitTimingCalculator::kFieldCount> m_fields{};
    QTableWidget *m_table = nullptr;
    QLabel *m_tableNote = nullptr;
    int m_wantedRate = 0; // bit/s last typed as a baud rate or bit time; 0: the one shown
};

} // namespace korvo
