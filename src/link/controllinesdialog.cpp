#include "controllinesdialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvo {

ControlLinesDialog::ControlLinesDialog(const ControlLines &current, QWidget *parent)
    : QDialog(parent), m_opening(current)
{
    setWindowTitle(QStringLiteral("RS 232 Control Lines"));
    m_rts = new QCheckBox(QStringLiteral("&RTS"), this);
    m_rts->setObjectName(QStringLiteral("chkRTS"));
    m_rts->setChecked(current.rts);
    m_dtr = new QCheckBox(QStringLiteral("&DTR"), this);
    m_dtr->setObjectName(QStringLiteral("chkDTR"));
    m_dtr->setChecked(current.dtr);
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdCtrlLines0"));
    m_ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCtrlLines1"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_rts);
    layout->addWidget(m_dtr);
    layout->addLayout(buttons);

    connect(m_rts, &QCheckBox::toggled, this, &ControlLinesDialog::update);
    connect(m_dtr, &QCheckBox::toggled, this, &ControlLinesDialog::update);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    update();
}

ControlLines ControlLinesDialog::lines() const
{
    return {m_rts->isChecked(), m_dtr->isChecked()};
}

void ControlLinesDialog::update()
{
    m_changed = (m_rts->isChecked() != m_opening.rts ? 1 : 0) | (m_dtr->isChecked() != m_opening.dtr ? 2 : 0);
    m_ok->setEnabled(m_changed != 0);
}

std::optional<ControlLines> ControlLinesDialog::edit(const ControlLines &current, QWidget *parent)
{
    ControlLinesDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.changedBits() == 0)
        return std::nullopt;
    return dialog.lines();
}

} // namespace korvo
