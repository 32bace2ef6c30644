#include "preferences/fontbox.h"

#include "ui/fontfallback.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvo {

FontBox::FontBox(QWidget *parent) : QGroupBox(QStringLiteral("Font"), parent)
{
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("txtFontName"));
    m_name->setReadOnly(true);
    auto *choose = new QPushButton(QStringLiteral("Font..."), this);
    choose->setObjectName(QStringLiteral("cmdFont"));
    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("cboSize"));
    m_size->setEditable(true);
    for (int size : {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 24})
        m_size->addItem(QString::number(size));
    m_bold = new QCheckBox(QStringLiteral("Bold"), this);
    m_bold->setObjectName(QStringLiteral("chkBold"));
    m_italic = new QCheckBox(QStringLiteral("Italic"), this);
    m_italic->setObjectName(QStringLiteral("chkItalic"));
    m_sample = new QLabel(QStringLiteral("ABCDXYZabcdxyz"), this);
    m_sample->setFrameShape(QFrame::Box);
    m_sample->setToolTip(QStringLiteral("Sample"));

    auto *nameLabel = new QLabel(QStringLiteral("Font:"), this);
    nameLabel->setBuddy(m_name);
    auto *sizeLabel = new QLabel(QStringLiteral("Size:"), this);
    sizeLabel->setBuddy(m_size);
    // Size, Bold and Italic share a row: the pages that show this box must fit a small laptop's screen.
    auto *style = new QHBoxLayout;
    style->addWidget(m_size, 1);
    style->addWidget(m_bold);
    style->addWidget(m_italic);
    auto *grid = new QGridLayout(this);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_name, 0, 1);
    grid->addWidget(choose, 0, 2);
    grid->addWidget(sizeLabel, 1, 0);
    grid->addLayout(style, 1, 1, 1, 2);
    grid->addWidget(m_sample, 2, 0, 1, 3);

    connect(choose, &QPushButton::clicked, this, &FontBox::chooseFont);
    for (QCheckBox *box : {m_bold, m_italic})
        connect(box, &QCheckBox::toggled, this, [this] {
            updateSample();
            if (!m_loading)
                emit changed();
        });
    connect(m_size, &QComboBox::currentTextChanged, this, [this] {
        updateSample();
        if (!m_loading)
            emit changed();
    });
}

void FontBox::set(const QString &family, float size, bool bold, bool italic)
{
    m_loading = true;
    m_family = family;
    const QString inUse = familyInUse(family);
    m_name->setText(inUse);
    m_name->setToolTip(inUse == family
                           ? QString()
                           : QStringLiteral("%1 is not installed here: %2 is used. The preferences "
                                            "keep %1 until another font is chosen.")
                                 .arg(family, inUse));
    m_size->setCurrentText(QString::number(double(size)));
    m_bold->setChecked(bold);
    m_italic->setChecked(italic);
    m_loading = false;
    updateSample();
}

QString FontBox::family() const
{
    return m_family;
}

float FontBox::size() const
{
    const float size = m_size->currentText().toFloat();
    return size > 0 ? size : 8.0f;
}

bool FontBox::bold() const
{
    return m_bold->isChecked();
}

bool FontBox::italic() const
{
    return m_italic->isChecked();
}

void FontBox::chooseFont()
{
    QFont current = installedOrFixedPitch(family());
    current.setPointSizeF(double(size()));
    current.setBold(bold());
    current.setItalic(italic());
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, current, this);
    if (!ok)
        return;
    set(font.family(), float(font.pointSizeF()), font.bold(), font.italic());
    emit changed();
}

void FontBox::updateSample()
{
    QFont font = installedOrFixedPitch(family());
    font.setPointSizeF(double(size()));
    font.setBold(bold());
    font.setItalic(italic());
    m_sample->setFont(font);
}

} // namespace korvo
