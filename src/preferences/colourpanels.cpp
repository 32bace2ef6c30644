#include "preferences/colourpanels.h"

#include "preferences/palette.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QToolButton>

namespace korvo {

ColourPanels::ColourPanels(const QStringList &items, QWidget *parent) : QWidget(parent)
{
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->addItems(items);
    m_indexes = QList<int>(items.size(), 0);

    auto *frame = new QGroupBox(QStringLiteral("Color"), this);
    auto *grid = new QGridLayout(frame);
    m_panels = new QButtonGroup(this);
    for (int i = 0; i < kPaletteSize; ++i) {
        auto *panel = new QToolButton(frame);
        panel->setObjectName(QStringLiteral("FColor%1").arg(i));
        panel->setAccessibleName(QStringLiteral("Color %1").arg(i));
        panel->setCheckable(true);
        panel->setFixedSize(22, 22);
        const int32_t value = paletteValue(i);
        panel->setStyleSheet(
            QStringLiteral("QToolButton { background: rgb(%1,%2,%3); border: 1px solid gray; }"
                           "QToolButton:checked { border: 3px solid palette(highlight); }")
                .arg(value & 0xFF)
                .arg((value >> 8) & 0xFF)
                .arg((value >> 16) & 0xFF));
        m_panels->addButton(panel, i);
        grid->addWidget(panel, i / 4, i % 4);
    }
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list, 1);
    layout->addWidget(frame);

    connect(m_list, &QListWidget::currentRowChanged, this, &ColourPanels::showItem);
    connect(m_panels, &QButtonGroup::idClicked, this, &ColourPanels::choose);
    m_list->setCurrentRow(0);
}

void ColourPanels::setIndexes(const QList<int> &indexes)
{
    m_indexes = indexes;
    showItem(m_list->currentRow());
}

void ColourPanels::showItem(int row)
{
    if (row < 0 || row >= m_indexes.size())
        return;
    if (QAbstractButton *panel = m_panels->button(m_indexes.at(row)))
        panel->setChecked(true);
}

void ColourPanels::choose(int index)
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_indexes.size() || m_indexes.at(row) == index)
        return;
    m_indexes[row] = index;
    emit changed();
}

} // namespace korvo
