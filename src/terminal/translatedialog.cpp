#include "terminal/translatedialog.h"
#include "ui/altletters.h"

#include "settings/preferences.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvo {

TranslateDialog::Options TranslateDialog::Options::of(const CommWindowSettings &settings)
{
    Options o;
    o.translateCR = settings.translateCR != 0;
    o.crTranslate = settings.crTranslate != 0;
    o.controlHex = settings.controlHex != 0;
    o.notCRLF = settings.notCRLF != 0;
    o.displayHex = settings.displayHex & 3;
    return o;
}

void TranslateDialog::Options::applyTo(CommWindowSettings &settings) const
{
    // Booleans of the preferences file are -1 / 0.
    settings.translateCR = translateCR ? -1 : 0;
    settings.crTranslate = crTranslate ? -1 : 0;
    settings.controlHex = controlHex ? -1 : 0;
    settings.notCRLF = notCRLF ? -1 : 0;
    settings.displayHex = int16_t(displayHex & 3);
}

TranslateDialog::TranslateDialog(const Options &options, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Translate"));

    auto *transmit = new QGroupBox(QStringLiteral("Transmit:"), this);
    auto *tx = new QGridLayout(transmit);
    m_translateCR = new QCheckBox(QStringLiteral("Translate outgoing CRs to CR/LF"), transmit);
    tx->addWidget(new QLabel(QStringLiteral("CR => CRLF:"), transmit), 0, 0);
    tx->addWidget(m_translateCR, 0, 1);

    auto *receive = new QGroupBox(QStringLiteral("Receive"), this);
    auto *rx = new QGridLayout(receive);
    m_crTranslate = new QCheckBox(QStringLiteral("Translate incoming CRs to CR/LF"), receive);
    m_controlHex = new QCheckBox(QStringLiteral("Display Control Characters as HEX equivalent"), receive);
    m_notCRLF = new QCheckBox(QStringLiteral("(except CR/LF)"), receive);
    m_hexPrintable = new QCheckBox(QStringLiteral("(20-7F)"), receive);
    m_hexHigh = new QCheckBox(QStringLiteral("(80-FF)"), receive);
    rx->addWidget(new QLabel(QStringLiteral("CR => CRLF:"), receive), 0, 0);
    rx->addWidget(m_crTranslate, 0, 1, 1, 2);
    rx->addWidget(new QLabel(QStringLiteral("Control Char. ==> <HEX>:"), receive), 1, 0);
    rx->addWidget(m_controlHex, 1, 1, 1, 2);
    rx->addWidget(new QLabel(QStringLiteral("(00-1F)"), receive), 2, 1);
    rx->addWidget(m_notCRLF, 2, 2);
    rx->addWidget(new QLabel(QStringLiteral("Display Char. ==> <HEX>:"), receive), 3, 0);
    rx->addWidget(new QLabel(QStringLiteral("Display All Characters as HEX equivalent"), receive), 3, 1, 1,
                  2);
    rx->addWidget(m_hexPrintable, 4, 1);
    rx->addWidget(m_hexHigh, 4, 2);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(transmit);
    layout->addWidget(receive);
    layout->addWidget(buttons);

    m_translateCR->setChecked(options.translateCR);
    m_crTranslate->setChecked(options.crTranslate);
    m_controlHex->setChecked(options.controlHex);
    m_notCRLF->setChecked(options.notCRLF);
    m_hexPrintable->setChecked(options.displayHex & 1);
    m_hexHigh->setChecked(options.displayHex & 2);
    // "(except CR/LF)" only means something while control characters are shown in hex.
    m_notCRLF->setEnabled(options.controlHex);
    connect(m_controlHex, &QCheckBox::toggled, m_notCRLF, &QWidget::setEnabled);
    giveAltLetters(this);
}

TranslateDialog::Options TranslateDialog::options() const
{
    Options o;
    o.translateCR = m_translateCR->isChecked();
    o.crTranslate = m_crTranslate->isChecked();
    o.controlHex = m_controlHex->isChecked();
    o.notCRLF = m_notCRLF->isChecked();
    o.displayHex = (m_hexPrintable->isChecked() ? 1 : 0) | (m_hexHigh->isChecked() ? 2 : 0);
    return o;
}

} // namespace korvo
