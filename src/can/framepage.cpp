#include "can/framepage.h"

#include "can/registerrow.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace korvo {

namespace {
QGroupBox *optionBox(const QString &caption, QRadioButton *&first, const QString &firstText,
                     QRadioButton *&second, const QString &secondText, QWidget *parent)
{
    auto *box = new QGroupBox(caption, parent);
    auto *layout = new QVBoxLayout(box);
    auto *group = new QButtonGroup(box);
    first = new QRadioButton(firstText, box);
    second = new QRadioButton(secondText, box);
    group->addButton(first);
    group->addButton(second);
    layout->addWidget(first);
    layout->addWidget(second);
    return box;
}
} // namespace

FramePage::FramePage(QWidget *parent) : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    auto *upper = new QGroupBox(QStringLiteral("Upper Arbitration:"), this);
    auto *lower = new QGroupBox(QStringLiteral("Lower Arbitration:"), this);
    auto *upperLayout = new QVBoxLayout(upper);
    auto *lowerLayout = new QVBoxLayout(lower);
    m_rows = {
        new RegisterRow(CanRegister::Uar0, {QStringLiteral("ID28-21")}, upper),
        new RegisterRow(CanRegister::Uar1, {QStringLiteral("ID20-18"), QStringLiteral("ID17-13")}, upper),
        new RegisterRow(CanRegister::Lar0, {QStringLiteral("ID12-5")}, lower),
        new RegisterRow(CanRegister::Lar1, {QStringLiteral("ID4-0")}, lower)};
    upperLayout->addWidget(m_rows[0]);
    upperLayout->addWidget(m_rows[1]);
    lowerLayout->addWidget(m_rows[2]);
    lowerLayout->addWidget(m_rows[3]);
    for (RegisterRow *row : m_rows) {
        connect(row, &RegisterRow::edited, this, &FramePage::edited);
        connect(row, &RegisterRow::changed, this, &FramePage::changed);
    }
    grid->addWidget(upper, 0, 0, 1, 3);
    grid->addWidget(lower, 1, 0, 1, 3);

    grid->addWidget(optionBox(QStringLiteral("Frame Size (bits):"), m_std, QStringLiteral("  11 (STD)"),
                              m_xtd, QStringLiteral("  29  (XTD)"), this),
                    2, 0);
    grid->addWidget(optionBox(QStringLiteral("Valid / Not Valid:"), m_valid, QStringLiteral("Valid"),
                              m_notValid, QStringLiteral("Not Valid"), this),
                    2, 1);
    grid->addWidget(
        optionBox(QStringLiteral("RX / TX:"), m_rx, QStringLiteral("RX"), m_tx, QStringLiteral("TX"), this),
        2, 2);
    m_std->setObjectName(QStringLiteral("optFrameSize0"));
    m_xtd->setObjectName(QStringLiteral("optFrameSize1"));

    connect(m_xtd, &QRadioButton::toggled, this, [this] {
        if (m_loading)
            return;
        setFlag(4, m_xtd->isChecked());
        setIdLength();
    });
    connect(m_notValid, &QRadioButton::toggled, this, [this](bool on) {
        if (!m_loading && m_valid->isEnabled())
            setFlag(8, on);
    });
    connect(m_tx, &QRadioButton::toggled, this, [this](bool on) {
        if (!m_loading && m_tx->isEnabled())
            setFlag(8, on);
    });
}

void FramePage::load(const CanRecord &r, int frame, CanTarget target)
{
    m_loading = true;
    const std::size_t i = std::size_t(frame);
    m_frame = frame;
    m_flags = r.flags[i];
    (m_flags & 4 ? m_xtd : m_std)->setChecked(true);
    const bool module = target == CanTarget::Module;
    m_valid->setEnabled(module);
    m_notValid->setEnabled(module);
    m_rx->setEnabled(!module && frame == 1);
    m_tx->setEnabled(!module && frame == 1);
    if (module) {
        (m_flags & 8 ? m_notValid : m_valid)->setChecked(true);
        (frame == 2 ? m_tx : m_rx)->setChecked(true);
    } else {
        m_valid->setChecked(true);
        (m_flags & 8 ? m_tx : m_rx)->setChecked(true);
    }
    const int values[] = {r.uar0[i], r.uar1[i], r.lar0[i], r.lar1[i]};
    for (std::size_t k = 0; k < m_rows.size(); ++k)
        m_rows[k]->showValue(values[k], extended(), k >= 2 && !extended());
    m_loading = false;
}

void FramePage::store(CanRecord &r) const
{
    const std::size_t i = std::size_t(m_frame);
    r.uar0[i] = int16_t(m_rows[0]->value());
    r.uar1[i] = int16_t(m_rows[1]->value());
    r.lar0[i] = int16_t(m_rows[2]->value());
    r.lar1[i] = int16_t(m_rows[3]->value());
    r.flags[i] = int16_t(m_flags);
}

bool FramePage::extended() const
{
    return m_xtd->isChecked();
}

void FramePage::setIdLength()
{
    // Switching keeps the values: the lower registers are only locked, UAR1's low bits stay until committed.
    for (std::size_t k = 1; k < m_rows.size(); ++k)
        m_rows[k]->showValue(m_rows[k]->value(), extended(), k >= 2 && !extended());
}

void FramePage::setFlag(int flag, bool on)
{
    m_flags = (m_flags & ~flag) | (on ? flag : 0);
    emit edited();
    emit changed();
}

} // namespace korvo
