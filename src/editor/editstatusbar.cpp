#include "editstatusbar.h"

namespace korvo {

namespace {
const QString kInsert = QStringLiteral("insert");
const QString kLine = QStringLiteral("line");
const QString kColumn = QStringLiteral("column");
} // namespace

EditStatusBar::EditStatusBar(QWidget *parent) : StatusRow(Look::Plain, parent)
{
    addStretch();
    addPanel(kInsert);
    addPanel(kLine);
    addPanel(kColumn);
    setText(kInsert, QStringLiteral("INS"));
    setCaret(0, 0);
    setPanelToolTip(kLine, QStringLiteral("Line"));
    setPanelToolTip(kColumn, QStringLiteral("Column"));
}

void EditStatusBar::setOverwrite(bool overwrite)
{
    setText(kInsert, overwrite ? QStringLiteral("OVR") : QStringLiteral("INS"));
}

void EditStatusBar::setCaret(int line, int column)
{
    setText(kLine, QString::number(line + 1));
    setText(kColumn, QString::number(column + 1));
}

QString EditStatusBar::panelText(int panel) const
{
    switch (panel) {
    case 3:
        return text(kInsert);
    case 6:
        return text(kLine);
    case 7:
        return text(kColumn);
    default:
        return QString();
    }
}

} // namespace korvo
