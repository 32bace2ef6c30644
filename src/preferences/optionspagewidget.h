#pragma once

// One page of the preferences dialog: shows its part of the edited settings and hands it back.

#include "preferences/optionsvalues.h"

#include <QWidget>

namespace korvo {

class OptionsPageWidget : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual void load(const OptionsValues &values) = 0;
    virtual void store(OptionsValues &values) const = 0;

Q_SIGNALS:
    // Something on the page was edited by the user.
    void changed();
};

} // namespace korvo
