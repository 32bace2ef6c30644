#include "can/modulesettingspage.h"

#include "app/prompt.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace korvo {

namespace {
const int kListRates[] = {4800, 9600, 19200, 38400, 115200};
}

ModuleSettingsPage::ModuleSettingsPage(CanTarget target, bool canSetup, Prompt &prompt, QWidget *parent)
    : QWidget(parent), m_userPrompt(prompt)
{
    auto *form = new QFormLayout(this);
    const bool module = target == CanTarget::Module;
    m_baud = new QComboBox(this);
    m_baud->setObjectName(QStringLiteral("cboBaudRate"));
    m_baud->setEditable(true);
    for (const int rate : kListRates)
        m_baud->addItem(QString::number(rate));
    m_baud->setEnabled(!module || canSetup);
    if (!module) {
        // The adapter and monitor show only their rate, at the top of the page.
        form->addRow(QStringLiteral("Baud Rate:"), m_baud);
    } else {
        auto *modes = new QWidget(this);
        auto *modeLayout = new QHBoxLayout(modes);
        modeLayout->setContentsMargins(0, 0, 0, 0);
        auto *group = new QButtonGroup(modes);
        m_single = new QRadioButton(QStringLiteral("Single"), modes);
        m_party = new QRadioButton(QStringLiteral("Party"), modes);
        group->addButton(m_single);
        group->addButton(m_party);
        modeLayout->addWidget(m_single);
        modeLayout->addWidget(m_party);
        m_name = new QLineEdit(this);
        m_name->setObjectName(QStringLiteral("txtDN"));
        m_prompt = new QLineEdit(this);
        m_prompt->setObjectName(QStringLiteral("txtPrompt"));
        for (QLineEdit *field : {m_name, m_prompt}) {
            field->setMaxLength(1);
            field->setMaximumWidth(40);
            connect(field, &QLineEdit::textEdited, this, [this, field](const QString &text) {
                // One character; an emptied field keeps the last one.
                if (!text.isEmpty())
                    (field == m_name ? m_nameCode : m_promptCode) = text.at(0).unicode() & 0xFF;
                emit edited();
            });
        }
        form->addRow(QStringLiteral("Mode:"), modes);
        form->addRow(QStringLiteral("Device Name:"), m_name);
        form->addRow(QStringLiteral("Prompt Char:"), m_prompt);
        form->addRow(QStringLiteral("Baud Rate:"), m_baud);
        connect(m_party, &QRadioButton::toggled, this, [this] {
            if (!m_loading)
                emit edited();
        });
        if (canSetup) {
            m_charDelay = new QSpinBox(this);
            m_charDelay->setObjectName(QStringLiteral("txtCharDelay"));
            m_charDelay->setRange(0, 255);
            form->addRow(QStringLiteral("Char Delay:"), m_charDelay);
            connect(m_charDelay, &QSpinBox::valueChanged, this, [this] {
                if (!m_loading)
                    emit edited();
            });
        }
    }
    // A typed rate is checked when it is committed (baudTyped), never added to the list.
    m_baud->setInsertPolicy(QComboBox::NoInsert);
    connect(m_baud, &QComboBox::activated, this, [this](int index) {
        m_baudCode = codeFromBaud(m_baud->itemText(index).toInt());
        emit edited();
    });
    connect(m_baud->lineEdit(), &QLineEdit::editingFinished, this, &ModuleSettingsPage::baudTyped);
}

void ModuleSettingsPage::load(const CanRecord &r, int charDelay, int storedBaud)
{
    m_loading = true;
    m_storedBaud = storedBaud;
    m_nameCode = r.name;
    m_promptCode = r.prompt;
    if (m_single)
        (r.mode == 1 ? m_party : m_single)->setChecked(true);
    if (m_name) {
        m_name->setText(QString(QChar(r.name & 0xFF)));
        m_prompt->setText(QString(QChar(r.prompt & 0xFF)));
    }
    if (m_charDelay)
        m_charDelay->setValue(charDelay);
    showBaud(r.baud);
    m_loading = false;
}

void ModuleSettingsPage::store(CanRecord &r, int &charDelay) const
{
    if (m_single)
        r.mode = m_party->isChecked() ? 1 : 0;
    r.name = int16_t(m_nameCode);
    r.prompt = int16_t(m_promptCode);
    r.baud = int16_t(m_baudCode);
    if (m_charDelay)
        charDelay = m_charDelay->value();
}

void ModuleSettingsPage::baudTyped()
{
    const int typed = m_baud->currentText().trimmed().toInt();
    if (typed == baudFromCode(m_baudCode) || (m_baudCode == 11 && typed == 115200))
        return;
    if (baudFromCode(codeFromBaud(typed)) == 0) {
        ask(m_userPrompt, QStringLiteral("Not a valid baudrate"), QString(), PromptIcon::Exclamation);
        showBaud(m_storedBaud);
        return;
    }
    m_baudCode = codeFromBaud(typed);
    emit edited();
}

void ModuleSettingsPage::showBaud(int code)
{
    m_baudCode = code;
    const int rate = code == 11 ? 115200 : baudFromCode(code);
    m_baud->setCurrentText(rate > 0 ? QString::number(rate) : QString());
}

} // namespace korvo
