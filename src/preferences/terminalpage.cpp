#include "preferences/terminalpage.h"

#include "preferences/colourpanels.h"
#include "preferences/fontbox.h"
#include "settings/prefslimits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace korvo {

namespace {

QComboBox *numberList(const QString &name, const QStringList &entries, ValueRange range, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->addItems(entries);
    box->setValidator(new QIntValidator(range.lowest, range.highest, box));
    return box;
}

int16_t numberOf(const QComboBox *box, int16_t fallback)
{
    bool ok = false;
    const int value = box->currentText().toInt(&ok);
    return ok && value > 0 ? int16_t(value) : fallback;
}

} // namespace

TerminalPage::TerminalPage(QWidget *parent) : OptionsPageWidget(parent)
{
    m_font = new FontBox(this);

    auto *naming = new QGroupBox(QStringLiteral("Terminal Name"), this);
    m_name = new QLineEdit(naming);
    m_name->setObjectName(QStringLiteral("txtTermName"));
    m_autoName = new QCheckBox(QStringLiteral("Auto. Name"), naming);
    m_autoName->setObjectName(QStringLiteral("chkAutoName"));
    auto *nameForm = new QFormLayout(naming);
    nameForm->addRow(QStringLiteral("Name:"), m_name);
    nameForm->addRow(m_autoName);

    auto *size = new QGroupBox(QStringLiteral("Window Size"), this);
    m_rows = numberList(QStringLiteral("cmbTerm0"), {QStringLiteral("100")}, limits::kRows, size);
    m_columns = numberList(QStringLiteral("cmbTerm1"), {QStringLiteral("132")}, limits::kColumns, size);
    m_scrollBack = numberList(QStringLiteral("cmbTerm2"), {QStringLiteral("1000"), QStringLiteral("2000")},
                              limits::kScrollRows, size);
    m_lineCursor = new QRadioButton(QStringLiteral("Line Cursor"), size);
    m_blockCursor = new QRadioButton(QStringLiteral("Block Cursor"), size);
    auto *sizeForm = new QFormLayout(size);
    sizeForm->addRow(QStringLiteral("Rows:"), m_rows);
    sizeForm->addRow(QStringLiteral("Cols:"), m_columns);
    sizeForm->addRow(QStringLiteral("Scroll Back Buffer Size:"), m_scrollBack);
    sizeForm->addRow(m_lineCursor, m_blockCursor);

    auto *colours = new QGroupBox(QStringLiteral("Terminal Colors"), this);
    m_colours = new ColourPanels(
        {QStringLiteral("Text"), QStringLiteral("BackGround"), QStringLiteral("Comm")}, colours);
    (new QVBoxLayout(colours))->addWidget(m_colours);

    // Font and name beside the window size: stacked, the page was taller than a small laptop's screen
    // leaves a dialog.
    auto *layout = new QGridLayout(this);
    layout->addWidget(m_font, 0, 0);
    layout->addWidget(naming, 1, 0);
    layout->addWidget(size, 0, 1, 2, 1);
    layout->addWidget(colours, 2, 0, 1, 2);
    layout->setRowStretch(2, 1);

    connect(m_font, &FontBox::changed, this, &OptionsPageWidget::changed);
    connect(m_colours, &ColourPanels::changed, this, &OptionsPageWidget::changed);
    connect(m_name, &QLineEdit::textEdited, this, &OptionsPageWidget::changed);
    for (QAbstractButton *button :
         std::initializer_list<QAbstractButton *>{m_autoName, m_lineCursor, m_blockCursor})
        connect(button, &QAbstractButton::clicked, this, &OptionsPageWidget::changed);
    for (QComboBox *box : {m_rows, m_columns, m_scrollBack}) {
        connect(box, &QComboBox::activated, this, &OptionsPageWidget::changed);
        connect(box->lineEdit(), &QLineEdit::textEdited, this, &OptionsPageWidget::changed);
    }
}

void TerminalPage::load(const OptionsValues &values)
{
    const CommWindowSettings &s = values.terminal;
    m_font->set(s.font, s.size, s.bold, s.italic);
    m_name->setText(s.name);
    m_autoName->setChecked(s.autoName);
    m_rows->setCurrentText(QString::number(s.rows));
    m_columns->setCurrentText(QString::number(s.columns));
    m_scrollBack->setCurrentText(QString::number(s.scrollRows));
    (s.blockCursor ? m_blockCursor : m_lineCursor)->setChecked(true);
    // No setting holds the "Comm" colour: it keeps what was chosen while the dialog is open.
    m_colours->setIndexes({int(s.forecolor), int(s.backcolor), m_colours->indexes().at(2)});
}

void TerminalPage::store(OptionsValues &values) const
{
    CommWindowSettings &s = values.terminal;
    s.font = m_font->family();
    s.size = m_font->size();
    s.bold = m_font->bold();
    s.italic = m_font->italic();
    s.name = m_name->text();
    s.autoName = m_autoName->isChecked();
    s.rows = numberOf(m_rows, s.rows);
    s.columns = numberOf(m_columns, s.columns);
    s.scrollRows = numberOf(m_scrollBack, s.scrollRows);
    s.blockCursor = m_blockCursor->isChecked() ? 1 : 0;
    const QList<int> colours = m_colours->indexes();
    s.forecolor = colours.at(0);
    s.backcolor = colours.at(1);
}

} // namespace korvo
