#pragma once

// "Terminal Format": the terminal's font, name, window size, cursor and colours.

#include "preferences/optionspagewidget.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace korvo {

class ColourPanels;
class FontBox;

class TerminalPage : public OptionsPageWidget
{
    Q_OBJECT
public:
    explicit TerminalPage(QWidget *parent = nullptr);

    void load(const OptionsValues &values) override;
    void store(OptionsValues &values) const override;

private:
    FontBox *m_font = nullptr;
    QLineEdit *m_name = nullptr;
    QCheckBox *m_autoName = nullptr;
    QComboBox *m_rows = nullptr;
    QComboBox *m_columns = nullptr;
    QComboBox *m_scrollBack = nullptr;
    QRadioButton *m_lineCursor = nullptr;
    QRadioButton *m_blockCursor = nullptr;
    ColourPanels *m_colours = nullptr;
};

} // namespace korvo
