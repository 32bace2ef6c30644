#include "preferences/generalpage.h"

#include "settings/prefslimits.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace korvo {

GeneralOptionsPage::GeneralOptionsPage(QWidget *parent) : OptionsPageWidget(parent)
{
    auto *frame = new QGroupBox(QStringLiteral("General Preferences"), this);
    m_remember = new QCheckBox(QStringLiteral("Remember File History"), frame);
    m_remember->setObjectName(QStringLiteral("chkGeneral"));
    m_maxCount = new QSpinBox(frame);
    m_maxCount->setObjectName(QStringLiteral("txtLastLdMax"));
    m_maxCount->setRange(limits::kRecentFiles.lowest, limits::kRecentFiles.highest);
    m_pathAndName = new QRadioButton(QStringLiteral("Use Path and File Name"), frame);
    m_nameOnly = new QRadioButton(QStringLiteral("Use File Name Only"), frame);
    auto *form = new QFormLayout(frame);
    form->addRow(QStringLiteral("File History:"), m_remember);
    form->addRow(QStringLiteral("Max. File History Count"), m_maxCount);
    form->addRow(QStringLiteral("Edit Window Name:"), m_pathAndName);
    form->addRow(QString(), m_nameOnly);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addStretch(1);

    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{m_remember, m_pathAndName, m_nameOnly})
        connect(b, &QAbstractButton::clicked, this, &OptionsPageWidget::changed);
    connect(m_maxCount, &QSpinBox::valueChanged, this, [this] {
        if (m_maxCount->hasFocus())
            emit changed();
    });
}

void GeneralOptionsPage::load(const OptionsValues &values)
{
    m_remember->setChecked(values.general.remFileHistory != 0);
    m_maxCount->setValue(values.general.maxFileHistoryCt);
    (values.general.fullName ? m_pathAndName : m_nameOnly)->setChecked(true);
}

void GeneralOptionsPage::store(OptionsValues &values) const
{
    // Booleans of the file keep the program's -1/0 (a stored 1 that was not edited stays 1).
    if ((values.general.remFileHistory != 0) != m_remember->isChecked())
        values.general.remFileHistory = m_remember->isChecked() ? -1 : 0;
    values.general.maxFileHistoryCt = int16_t(m_maxCount->value());
    if ((values.general.fullName != 0) != m_pathAndName->isChecked())
        values.general.fullName = m_pathAndName->isChecked() ? -1 : 0;
}

} // namespace korvo
