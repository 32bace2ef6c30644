#pragma once

// A colour list beside the sixteen palette panels: choosing a panel gives the selected item that colour.

#include <QWidget>

class QButtonGroup;
class QListWidget;

namespace korvo {

class ColourPanels : public QWidget
{
    Q_OBJECT
public:
    explicit ColourPanels(const QStringList &items, QWidget *parent = nullptr);

    // Palette index shown for each item, in the list's order.
    void setIndexes(const QList<int> &indexes);
    QList<int> indexes() const { return m_indexes; }
    QListWidget *list() const { return m_list; }

Q_SIGNALS:
    void changed();

private:
    void showItem(int row);
    void choose(int index);

    QListWidget *m_list = nullptr;
    QButtonGroup *m_panels = nullptr;
    QList<int> m_indexes;
};

} // namespace korvo
