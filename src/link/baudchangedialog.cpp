#include "baudchangedialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvo {

BaudChangeDialog::BaudChangeDialog(bool showBaudChange, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Baud Rate"));
    m_label = new QLabel(QStringLiteral("During UPGRADE, the BaudRate is changed to 19200"), this);
    m_label->setObjectName(QStringLiteral("lblBaudChange"));
    m_label->setWordWrap(true);
    m_noShowAgain = new QCheckBox(QStringLiteral("&Don't Show Again."), this);
    m_noShowAgain->setObjectName(QStringLiteral("chkNoShowAgain"));
    m_noShowAgain->setChecked(!showBaudChange);
    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);

    auto *row = new QHBoxLayout;
    row->addWidget(m_noShowAgain);
    row->addStretch();
    row->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addLayout(row);

    // Every click is reported at once, so the choice holds even if the notice is closed another way.
    connect(m_noShowAgain, &QCheckBox::clicked, this,
            [this](bool checked) { emit showBaudChangeChanged(!checked); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void BaudChangeDialog::setMessage(const QString &text)
{
    m_label->setText(text);
}

QString BaudChangeDialog::message() const
{
    return m_label->text();
}

} // namespace korvo
