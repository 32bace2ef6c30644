#pragma once

// "General": file history and how edit windows are named.

#include "preferences/optionspagewidget.h"

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace korvo {

class GeneralOptionsPage : public OptionsPageWidget
{
    Q_OBJECT
public:
    explicit GeneralOptionsPage(QWidget *parent = nullptr);

    void load(const OptionsValues &values) override;
    void store(OptionsValues &values) const override;

private:
    QCheckBox *m_remember = nullptr;
    QSpinBox *m_maxCount = nullptr;
    QRadioButton *m_pathAndName = nullptr;
    QRadioButton *m_nameOnly = nullptr;
};

} // namespace korvo
