#pragma once

// "Text Editor Format" and "Program Editor Format": font, edit features and the editor colours of one
// document style.

#include "preferences/optionspagewidget.h"

class QCheckBox;
class QSpinBox;

namespace korvo {

class ColourPanels;
class FontBox;

class StylePage : public OptionsPageWidget
{
    Q_OBJECT
public:
    StylePage(bool programs, QWidget *parent = nullptr);

    void load(const OptionsValues &values) override;
    void store(OptionsValues &values) const override;

private:
    const DocStyle &style(const OptionsValues &values) const
    {
        return m_programs ? values.program : values.text;
    }

    bool m_programs;
    FontBox *m_font = nullptr;
    QCheckBox *m_tabs = nullptr;
    QCheckBox *m_indent = nullptr;
    QSpinBox *m_tabSpacing = nullptr;
    QSpinBox *m_margin = nullptr;
    ColourPanels *m_colours = nullptr;
};

} // namespace korvo
