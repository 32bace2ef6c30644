#include "upgrade/upgradewizardview.h"

#include "ui/selectinglineedit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace korvo {

const QColor UpgradeWizardView::kDarkRed(128, 0, 0);
const QColor UpgradeWizardView::kRed(255, 0, 0);
const QColor UpgradeWizardView::kNavy(0, 0, 128);

namespace {
constexpr int kNarrowSerialPx = 1185 / 15; // twips at 96 dpi
constexpr int kWideSerialPx = 1905 / 15;

} // namespace

UpgradeWizardView::UpgradeWizardView(UpgradeProcedure procedure, QWidget *parent)
    : QWidget(parent), m_procedure(procedure)
{
    m_message = new QTextEdit(this);
    m_message->setReadOnly(true);
    m_message->setMinimumSize(420, 120);
    m_next = new QPushButton(QStringLiteral("&Next"), this);
    m_previous = new QPushButton(QStringLiteral("&Previous"), this);
    m_upgradeCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_controllerVersion = new QLineEdit(this);
    m_fileVersion = new QLineEdit(this);
    for (QLineEdit *box : {m_controllerVersion, m_fileVersion})
        box->setReadOnly(true);
    m_serialCaption = new QLabel(QStringLiteral("Serial Number:"), this);
    m_typeCaption = new QLabel(QStringLiteral("Type Number:"), this);
    m_serial = new SelectingLineEdit(this);
    m_type = new SelectingLineEdit(this);
    m_serial->setFixedWidth(kNarrowSerialPx);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progressLabel = new QLabel(this);
    m_progressStats = new QLabel(this);
    m_replyLog = new QLabel(this);
    m_replyLog->hide();

    auto *identity = new QGridLayout;
    const auto caption = [this](const QString &text, QWidget *field) {
        auto *label = new QLabel(text, this);
        label->setBuddy(field);
        return label;
    };
    identity->addWidget(caption(QStringLiteral("Previous Version:"), m_controllerVersion), 0, 0);
    identity->addWidget(m_controllerVersion, 0, 1);
    identity->addWidget(caption(QStringLiteral("Upgrade Version:"), m_fileVersion), 1, 0);
    identity->addWidget(m_fileVersion, 1, 1);
    identity->addWidget(m_serialCaption, 2, 0);
    identity->addWidget(m_typeCaption, 2, 0);
    identity->addWidget(m_serial, 2, 1, Qt::AlignLeft);
    identity->addWidget(m_type, 2, 2);
    // uKorvo: serial and type boxes beside "Serial Number:"; Orv/Brel: one box beside "Type Number:".
    const bool uKorvo = procedure == UpgradeProcedure::UKorvo;
    m_typeCaption->setVisible(!uKorvo);
    m_serialCaption->setVisible(uKorvo);
    m_type->setVisible(uKorvo);
    (uKorvo ? m_serialCaption : m_typeCaption)->setBuddy(m_serial);
    m_type->setAccessibleName(QStringLiteral("Type Number"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_previous);
    buttons->addWidget(m_next);
    buttons->addStretch();
    buttons->addWidget(m_upgradeCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *messages = new QLabel(QStringLiteral("Messages:"), this);
    messages->setBuddy(m_message);
    layout->addWidget(messages);
    layout->addWidget(m_message);
    layout->addLayout(identity);
    layout->addWidget(m_progress);
    layout->addWidget(m_progressLabel);
    layout->addWidget(m_progressStats);
    layout->addWidget(m_replyLog);
    layout->addLayout(buttons);

    connect(m_serial, &QLineEdit::returnPressed, this,
            [this, uKorvo] { (uKorvo ? static_cast<QWidget *>(m_type) : m_next)->setFocus(); });
    connect(m_type, &QLineEdit::returnPressed, this, [this] { m_next->setFocus(); });
    for (QLineEdit *box : {m_serial, m_type}) {
        connect(box, &QLineEdit::editingFinished, box, [box] { box->setText(box->text().trimmed()); });
        connect(box, &QLineEdit::textChanged, this, &UpgradeWizardView::limitIdentityBoxes);
    }
    setIdentityEditable(false);
}

void UpgradeWizardView::setMessage(const QString &text, const QColor &colour)
{
    m_message->clear();
    appendMessage(text, colour);
}

void UpgradeWizardView::appendMessage(const QString &text, const QColor &colour)
{
    QTextCursor cursor(m_message->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(colour);
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.insertText(plain, format);
}

QString UpgradeWizardView::message() const
{
    return m_message->toPlainText();
}

void UpgradeWizardView::usePlusLayout()
{
    m_serialCaption->show();
    m_typeCaption->hide();
    m_typeCaption->setBuddy(nullptr);
    m_serialCaption->setBuddy(m_serial);
    m_serial->setFixedWidth(kWideSerialPx);
}

void UpgradeWizardView::useNarrowSerialBox()
{
    m_serial->setFixedWidth(kNarrowSerialPx);
}

void UpgradeWizardView::setIdentityEditable(bool editable)
{
    m_serial->setReadOnly(!editable);
    m_type->setReadOnly(!editable);
}

void UpgradeWizardView::setSerialLimit(int limit)
{
    m_serialLimit = limit;
    limitIdentityBoxes();
}

void UpgradeWizardView::limitIdentityBoxes()
{
    if (m_filling)
        return;
    // A box never cuts what it already holds (a controller may report more); it only refuses more typing.
    const int serial = int(m_serial->text().size());
    const int type = int(m_type->text().size());
    if (m_procedure != UpgradeProcedure::UKorvo) {
        m_serial->setMaxLength(std::max(serial, m_serialLimit));
        return;
    }
    m_serial->setMaxLength(std::max(serial, std::min(m_serialLimit, kIdentityAreaChars - type)));
    m_type->setMaxLength(std::max(type, kIdentityAreaChars - serial));
}

void UpgradeWizardView::setIdentity(const QString &serial, const QString &type)
{
    m_filling = true;
    m_serial->setMaxLength(32767);
    m_type->setMaxLength(32767);
    m_serial->setText(serial);
    m_type->setText(type);
    m_filling = false;
    limitIdentityBoxes();
}

QString UpgradeWizardView::serialNumber() const
{
    return m_serial->text().trimmed();
}

QString UpgradeWizardView::typeNumber() const
{
    return m_type->text().trimmed();
}

void UpgradeWizardView::clearIdentity()
{
    m_controllerVersion->clear();
    m_serial->clear();
    m_type->clear();
}

void UpgradeWizardView::setProgress(int percent)
{
    m_progress->setValue(percent);
}

void UpgradeWizardView::setProgressText(const QString &text)
{
    m_progressLabel->setText(text);
}

QString UpgradeWizardView::progressText() const
{
    return m_progressLabel->text();
}

void UpgradeWizardView::setProgressStats(const QString &text)
{
    m_progressStats->setText(text);
}

QString UpgradeWizardView::progressStats() const
{
    return m_progressStats->text();
}

void UpgradeWizardView::appendReplyLog(const QString &line)
{
    m_replyLog->setText(m_replyLog->text() + line + QStringLiteral("\r\n"));
}

void UpgradeWizardView::clearReplyLog()
{
    m_replyLog->clear();
}

} // namespace korvo
