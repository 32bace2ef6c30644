#include "can/maskpage.h"

#include "can/registerrow.h"

#include <QGroupBox>
#include <QVBoxLayout>

namespace korvo {

MaskPage::MaskPage(QWidget *parent) : QWidget(parent)
{
    struct Group
    {
        const char *caption;
        CanRegister first, second;
        const char *firstBits, *secondBits;
    };
    const Group groups[] = {
        {"Global Mask, Short", CanRegister::Gms0, CanRegister::Gms1, "SID28-21", "SID20-18"},
        {"Upper Global Mask, Long", CanRegister::Ugml0, CanRegister::Ugml1, "EID28-21", "EID20-18"},
        {"Lower Global Mask, Long", CanRegister::Lgml0, CanRegister::Lgml1, "EID12-5", "EID4-0"},
    };
    auto *layout = new QVBoxLayout(this);
    std::size_t index = 0;
    for (const Group &g : groups) {
        auto *box = new QGroupBox(QString::fromLatin1(g.caption), this);
        auto *inner = new QVBoxLayout(box);
        for (const auto &[reg, bits] : {std::pair{g.first, g.firstBits}, std::pair{g.second, g.secondBits}}) {
            auto *row = new RegisterRow(reg, {QString::fromLatin1(bits)}, box);
            inner->addWidget(row);
            m_rows[index++] = row;
            connect(row, &RegisterRow::edited, this, &MaskPage::edited);
            connect(row, &RegisterRow::changed, this, &MaskPage::changed);
        }
        layout->addWidget(box);
    }
    layout->addStretch();
}

void MaskPage::load(const CanRecord &r)
{
    const int values[] = {r.gms0, r.gms1, r.ugml0, r.ugml1, r.lgml0, r.lgml1};
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i]->showValue(values[i], true);
}

void MaskPage::store(CanRecord &r) const
{
    int16_t *fields[] = {&r.gms0, &r.gms1, &r.ugml0, &r.ugml1, &r.lgml0, &r.lgml1};
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        *fields[i] = int16_t(m_rows[i]->value());
}

} // namespace korvo
