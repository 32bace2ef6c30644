#include "transfer/listingdiffview.h"
#include "ui/altletters.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvo {

ListingDiffView::ListingDiffView(const ListingDiff &diff, const QString &sourceName, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Verify"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *summary = new QLabel(QStringLiteral("%1 line(s) differ between %2 and the device.")
                                   .arg(diff.rows().size())
                                   .arg(sourceName),
                               this);
    layout->addWidget(summary);
    auto *table = new QTableWidget(int(diff.rows().size()), 4, this);
    table->setAccessibleName(summary->text()); // the sentence above says what the table holds
    table->setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Listing"),
                                      QStringLiteral("Line"), QStringLiteral("Device")});
    table->verticalHeader()->hide();
    // One text line per row.
    table->setWordWrap(false);
    const int rowHeight = table->fontMetrics().lineSpacing() + 6;
    table->verticalHeader()->setMinimumSectionSize(rowHeight);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const auto number = [](int line) {
        return new QTableWidgetItem(line > 0 ? QString::number(line) : QString());
    };
    for (int row = 0; row < diff.rows().size(); ++row) {
        const ListingDiff::Row &item = diff.rows()[row];
        table->setItem(row, 0, number(item.leftLine));
        table->setItem(row, 1, new QTableWidgetItem(item.left));
        table->setItem(row, 2, number(item.rightLine));
        table->setItem(row, 3, new QTableWidgetItem(item.right));
    }
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 360);
    giveAltLetters(this);
}

} // namespace korvo
