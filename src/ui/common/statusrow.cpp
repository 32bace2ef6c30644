#include "statusrow.h"

#include <QHBoxLayout>

namespace korvo {

StatusRow::StatusRow(QWidget *parent) : QWidget(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(2, 1, 2, 1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void StatusRow::addPanel(QWidget *panel, int stretch)
{
    m_layout->addWidget(panel, stretch);
}

void StatusRow::addStretch()
{
    m_layout->addStretch(1);
}

} // namespace korvo
