#include "preferences/stylepage.h"

#include "preferences/colourpanels.h"
#include "preferences/fontbox.h"
#include "preferences/palette.h"
#include "settings/prefslimits.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

namespace korvo {

namespace {

// Each colour item: the colour class and whether it is the background.
struct ColourItem
{
    const char *caption;
    int colourClass;
    bool background;
};

constexpr ColourItem kItems[] = {
    {"Select Foreground", 1, false},      {"Select Background", 1, true},
    {"Comment Foreground", 3, false},     {"Comment Background", 3, true},
    {"String Foreground", 6, false},      {"String Background", 6, true},
    {"Key Word Foreground", 4, false},    {"Key Word Background", 4, true},
    {"Numbers Foreground", 5, false},     {"Numbers Background", 5, true},
    {"LBL/VAR/FLG Foreground", 2, false}, {"LBL/VAR/FLG Background", 2, true},
    {"Math/Logic Foreground", 7, false},  {"Math/Logic Background", 7, true},
};

// Plain text has no syntax classes: only the selection's colours.
int itemCount(bool programs)
{
    return programs ? int(std::size(kItems)) : 2;
}

} // namespace

StylePage::StylePage(bool programs, QWidget *parent) : OptionsPageWidget(parent), m_programs(programs)
{
    m_font = new FontBox(this);
    auto *features = new QGroupBox(QStringLiteral("Edit Features:"), this);
    m_tabs = new QCheckBox(QStringLiteral("Enable Tabs"), features);
    m_tabs->setObjectName(QStringLiteral("ckPgm_Tab_En"));
    m_indent = new QCheckBox(QStringLiteral("Auto Indent"), features);
    m_indent->setObjectName(QStringLiteral("ckPgm_Auto_Indent"));
    m_tabSpacing = new QSpinBox(features);
    m_tabSpacing->setObjectName(QStringLiteral("txtTabs"));
    m_tabSpacing->setRange(limits::kTabSpacing.lowest, limits::kTabSpacing.highest);
    m_margin = new QSpinBox(features);
    m_margin->setObjectName(QStringLiteral("txtMargin"));
    m_margin->setRange(limits::kMargin.lowest, limits::kMargin.highest);
    auto *form = new QFormLayout(features);
    form->addRow(m_tabs, m_indent);
    form->addRow(QStringLiteral("Tab Spacing:"), m_tabSpacing);
    form->addRow(QStringLiteral("Right Margin (characters):"), m_margin);

    QStringList captions;
    for (int i = 0; i < itemCount(programs); ++i)
        captions << QLatin1String(kItems[i].caption);
    auto *colours = new QGroupBox(QStringLiteral("Editor Colors"), this);
    m_colours = new ColourPanels(captions, colours);
    (new QVBoxLayout(colours))->addWidget(m_colours);

    // The features beside the font, as on the terminal's page, for a dialog that fits a small laptop.
    auto *layout = new QGridLayout(this);
    layout->addWidget(m_font, 0, 0);
    layout->addWidget(features, 0, 1);
    layout->addWidget(colours, 1, 0, 1, 2);
    layout->setRowStretch(1, 1);

    connect(m_font, &FontBox::changed, this, &OptionsPageWidget::changed);
    connect(m_colours, &ColourPanels::changed, this, &OptionsPageWidget::changed);
    for (QCheckBox *box : {m_tabs, m_indent})
        connect(box, &QCheckBox::clicked, this, &OptionsPageWidget::changed);
    for (QSpinBox *box : {m_tabSpacing, m_margin})
        connect(box, &QSpinBox::valueChanged, this, [this, box] {
            if (box->hasFocus())
                emit changed();
        });
}

void StylePage::load(const OptionsValues &values)
{
    const DocStyle &s = style(values);
    m_font->set(s.font, s.size, s.bold[0], s.italic[0]);
    m_tabs->setChecked(s.tabEnabled);
    m_indent->setChecked(s.autoIndent);
    m_tabSpacing->setValue(s.tab);
    m_margin->setValue(s.margin);
    QList<int> indexes;
    for (int i = 0; i < itemCount(m_programs); ++i) {
        const ColourItem &item = kItems[i];
        indexes << getColor(item.background ? s.back[size_t(item.colourClass)]
                                            : s.fore[size_t(item.colourClass)]);
    }
    m_colours->setIndexes(indexes);
}

void StylePage::store(OptionsValues &values) const
{
    DocStyle &s = m_programs ? values.program : values.text;
    s.font = m_font->family();
    s.size = m_font->size();
    s.bold[0] = m_font->bold();
    s.italic[0] = m_font->italic();
    s.tabEnabled = m_tabs->isChecked();
    s.autoIndent = m_indent->isChecked();
    s.tab = int16_t(m_tabSpacing->value());
    s.margin = m_margin->value();
    const QList<int> indexes = m_colours->indexes();
    for (int i = 0; i < itemCount(m_programs); ++i) {
        const ColourItem &item = kItems[i];
        int32_t &colour =
            item.background ? s.back[size_t(item.colourClass)] : s.fore[size_t(item.colourClass)];
        // A colour outside the palette stays as it was unless another panel was chosen for it.
        if (getColor(colour) != indexes.at(i))
            colour = paletteValue(indexes.at(i));
    }
}

} // namespace korvo
