#include "can/registerrow.h"

#include "can/cantext.h"
#include "can/commitlineedit.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>

namespace korvo {

RegisterRow::RegisterRow(CanRegister reg, const QStringList &captions, QWidget *parent)
    : QWidget(parent), m_reg(reg)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(2);
    auto *name = new QLabel(registerKey(reg), this);
    m_field = new CommitLineEdit(this);
    m_field->setObjectName(QStringLiteral("txt") + registerKey(reg));
    m_field->setMaximumWidth(48);
    // Ten register names share nine letters, most held by the window's buttons: the field is named, not
    // lettered.
    m_field->setAccessibleName(name->text());
    grid->addWidget(name, 1, 0);
    grid->addWidget(m_field, 1, 1);
    // Two captions split the cells (UAR1: "ID20-18" over bits 7..5, "ID17-13" over 4..0).
    if (captions.size() == 1) {
        grid->addWidget(new QLabel(captions.front(), this), 0, 2, 1, 8, Qt::AlignCenter);
    } else if (captions.size() == 2) {
        grid->addWidget(new QLabel(captions.at(0), this), 0, 2, 1, 3, Qt::AlignCenter);
        grid->addWidget(new QLabel(captions.at(1), this), 0, 5, 1, 5, Qt::AlignCenter);
    }
    for (int bit = 7; bit >= 0; --bit) {
        auto *cell = new QToolButton(this);
        cell->setObjectName(QStringLiteral("lbl%1_%2").arg(registerKey(reg)).arg(bit));
        cell->setAutoRaise(true);
        cell->setFixedWidth(20);
        // The bits mirror the field, which is where the keyboard sets them.
        cell->setFocusPolicy(Qt::NoFocus);
        cell->setAccessibleName(QStringLiteral("%1 bit %2").arg(registerKey(reg)).arg(bit));
        m_cells[std::size_t(bit)] = cell;
        grid->addWidget(cell, 1, 2 + (7 - bit));
        connect(cell, &QToolButton::clicked, this, [this, bit] { click(bit); });
    }
    connect(m_field, &QLineEdit::textEdited, this, &RegisterRow::edited);
    connect(m_field, &CommitLineEdit::committed, this, &RegisterRow::commit);
    showValue(0, true);
}

void RegisterRow::showValue(int value, bool extended, bool locked)
{
    m_value = value;
    m_extended = extended;
    m_field->setLocked(locked);
    m_field->showText(hexPad(value));
    showCells();
}

void RegisterRow::commit()
{
    // An entry that is no register value (above FF, "0x53") is ignored and stays as typed.
    const std::optional<int> typed = typedHexValue(m_field->text());
    if (m_field->isReadOnly() || !typed || *typed < 0 || *typed > 255)
        return;
    m_value = typedRegisterValue(m_reg, *typed, m_extended);
    m_field->showText(hexPad(m_value));
    showCells();
    emit changed(m_value);
}

void RegisterRow::click(int bit)
{
    const int value = clickRegisterCell(m_reg, m_value, bit, m_extended);
    if (value == m_value)
        return;
    m_value = value;
    m_field->showText(hexPad(m_value));
    showCells();
    emit edited();
    emit changed(m_value);
}

void RegisterRow::showCells()
{
    for (int bit = 0; bit < 8; ++bit)
        m_cells[std::size_t(bit)]->setText((m_value >> bit) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace korvo
