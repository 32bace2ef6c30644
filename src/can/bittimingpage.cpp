#include "can/bittimingpage.h"

#include "can/bitratetable.h"
#include "can/cantext.h"
#include "can/commitlineedit.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>
#include <cmath>

namespace korvo {

namespace {
using F = BitTimingCalculator::Field;

struct FieldRow
{
    F field;
    const char *name;
    const char *label;
    const char *after; // range or unit
};

const FieldRow kRows[] = {
    {F::BaudRate, "txtBaudRate", "Baud Rate:", "KHz"},
    {F::BitTime, "txtBitTime", "Bit Time:", "uSec."},
    {F::Brp, "txtBRP", "Baud Rate Prescaller (BRP)", "(0 - 63)"},
    {F::Sjw, "txtSJW", "Synchronization Jump Width (SJW)", "(0 - 3)"},
    {F::Tseg1, "txtTSEG1", "Time Segment Before Sample Pt. (TSEG1)", "(2 - 15)"},
    {F::Tseg2, "txtTSEG2", "Time Segment After Sample Pt. (TSEG2)", "(1 - 7)"},
    {F::Tsjw, "txtTsjw", "Tsjw", "uSec."},
    {F::Btr0, "txtBTR0", "BTR0", ""},
    {F::Btr1, "txtBTR1", "BTR1", ""},
};
} // namespace

BitTimingPage::BitTimingPage(QWidget *parent) : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    int row = 0;
    for (const FieldRow &r : kRows) {
        auto *edit = new CommitLineEdit(this);
        edit->setObjectName(QString::fromLatin1(r.name));
        edit->setMaximumWidth(90);
        m_fields[std::size_t(r.field)] = edit;
        auto *caption = new QLabel(QString::fromLatin1(r.label), this);
        caption->setBuddy(edit);
        grid->addWidget(caption, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(QString::fromLatin1(r.after), this), row, 2);
        const F field = r.field;
        connect(edit, &QLineEdit::textEdited, this, [this, field](const QString &text) {
            m_calc.edit(field, text);
            emit edited();
        });
        connect(edit, &CommitLineEdit::committed, this, [this, field] { commit(field); });
        ++row;
    }
    m_tableNote = new QLabel(this);
    m_table = new QTableWidget(0, 5, this);
    m_table->setObjectName(QStringLiteral("rateTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("BTR0"), QStringLiteral("BTR1"),
                                        QStringLiteral("Quanta"), QStringLiteral("Sample Pt. %"),
                                        QStringLiteral("Error %")});
    m_table->verticalHeader()->hide();
    // Every column whole: the table is at least as wide as its headings, the scroll bar beside them.
    QHeaderView *header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    int width = 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_table->columnCount(); ++column)
        width += header->sectionSizeHint(column);
    m_table->setMinimumWidth(width);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setToolTip(QStringLiteral("Settings within 1 % of the baud rate; double-click one to use it"));
    connect(m_table, &QTableWidget::cellActivated, this, [this](int r, int) { pickRow(r); });
    grid->addWidget(m_tableNote, 0, 3);
    grid->addWidget(m_table, 1, 3, row - 1, 1);
    grid->setColumnStretch(3, 1);
}

void BitTimingPage::load(int btr0, int btr1)
{
    m_calc.load(btr0, btr1);
    m_wantedRate = 0;
    refresh();
}

void BitTimingPage::commit(F field)
{
    // The table lists the rate the engineer asked for, even when the segments then recompute another.
    if (field == F::BaudRate || field == F::BitTime) {
        const std::optional<double> typed = leadingNumber(m_calc.text(field));
        const double rate = !typed                 ? 0.0
                            : field == F::BaudRate ? *typed * 1000.0
                                                   : (*typed > 0 ? 1e6 / *typed : 0.0);
        m_wantedRate = rate >= 1 && rate < 1e8 ? int(std::nearbyint(rate)) : 0;
    }
    const int btr0 = m_calc.btr0();
    const int btr1 = m_calc.btr1();
    if (!m_calc.commit(field))
        return;
    refresh();
    if (btr0 != m_calc.btr0() || btr1 != m_calc.btr1())
        emit registersChanged();
}

void BitTimingPage::pickRow(int row)
{
    if (row < 0 || row >= m_table->rowCount())
        return;
    for (const auto &[field, column] : {std::pair{F::Btr0, 0}, std::pair{F::Btr1, 1}}) {
        m_calc.edit(field, m_table->item(row, column)->text());
        m_calc.commit(field);
    }
    refresh();
    emit edited();
    emit registersChanged();
}

void BitTimingPage::refresh()
{
    for (const FieldRow &r : kRows)
        m_fields[std::size_t(r.field)]->showText(m_calc.text(r.field));
    fillTable();
}

void BitTimingPage::fillTable()
{
    const std::optional<double> kbits = leadingNumber(m_calc.text(F::BaudRate));
    const double shown = kbits ? std::nearbyint(*kbits * 1000.0) : 0.0;
    const double rate = m_wantedRate > 0 ? m_wantedRate : (shown >= 1 && shown < 1e8 ? shown : 0.0);
    const std::vector<BitRateChoice> rows =
        rate > 0 ? bitRateChoices(int(rate)) : std::vector<BitRateChoice>{};
    m_table->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        const BitRateChoice &c = rows[std::size_t(i)];
        const QStringList cells = {hexPad(c.btr0), hexPad(c.btr1), QString::number(c.quanta),
                                   formatPicture(c.samplePoint), formatPicture(c.rateError)};
        for (int column = 0; column < cells.size(); ++column)
            m_table->setItem(i, column, new QTableWidgetItem(cells.at(column)));
    }
    if (rate <= 0)
        m_tableNote->setText(QStringLiteral("Enter a baud rate to list its settings"));
    else if (rows.empty())
        m_tableNote->setText(
            QStringLiteral("No setting comes within 1 % of %1 KHz").arg(formatPicture(rate / 1000.0)));
    else
        m_tableNote->setText(QStringLiteral("Settings for %1 KHz").arg(formatPicture(rate / 1000.0)));
}

} // namespace korvo
