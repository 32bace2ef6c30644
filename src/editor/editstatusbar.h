#pragma once

// An edit window's status bar: insert or overwrite, and the line and column of the caret.

#include "ui/statusrow.h"

namespace korvo {

class EditStatusBar : public StatusRow
{
public:
    explicit EditStatusBar(QWidget *parent = nullptr);

    void setOverwrite(bool overwrite);
    // Line and column counted from 0; the panels count from 1.
    void setCaret(int line, int column);
    // The panels by their old numbers: 3 insert/overwrite, 6 line, 7 column; empty for any other.
    QString panelText(int panel) const;
};

} // namespace korvo
