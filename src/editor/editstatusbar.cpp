#include "editstatusbar.h"

#include <QLabel>

namespace korvo {

EditStatusBar::EditStatusBar(QWidget *parent)
    : StatusRow(parent), m_insert(new QLabel(QStringLiteral("INS"), this)),
      m_line(new QLabel(QStringLiteral("1"), this)), m_column(new QLabel(QStringLiteral("1"), this))
{
    m_line->setToolTip(QStringLiteral("Line"));
    m_column->setToolTip(QStringLiteral("Column"));
    addStretch();
    addPanel(m_insert);
    addPanel(m_line);
    addPanel(m_column);
}

void EditStatusBar::setOverwrite(bool overwrite)
{
    m_insert->setText(overwrite ? QStringLiteral("OVR") : QStringLiteral("INS"));
}

void EditStatusBar::setCaret(int line, int column)
{
    m_line->setText(QString::number(line + 1));
    m_column->setText(QString::number(column + 1));
}

QString EditStatusBar::panelText(int panel) const
{
    switch (panel) {
    case 3:
        return m_insert->text();
    case 6:
        return m_line->text();
    case 7:
        return m_column->text();
    default:
        return QString();
    }
}

} // namespace korvo
