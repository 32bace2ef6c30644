#include "spi/spilogview.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

namespace korvo {

namespace {
// The gutter text of an exchange's first block; the other blocks of the exchange carry none.
class GutterData : public QTextBlockUserData
{
public:
    explicit GutterData(QString text) : text(std::move(text)) {}
    QString text;
};

constexpr int kGutterPad = 6;
} // namespace

class SpiLogView::Gutter : public QWidget
{
public:
    explicit Gutter(SpiLogView *view) : QWidget(view), m_view(view) {}
    QSize sizeHint() const override { return {m_view->gutterWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent *event) override { m_view->paintGutter(event); }

private:
    SpiLogView *m_view;
};

SpiLogView::SpiLogView(QWidget *parent) : QPlainTextEdit(parent), m_gutter(new Gutter(this))
{
    setReadOnly(true);
    // Nothing in the log is undone: an undo history would keep every exchange ever shown.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setViewportMargins(gutterWidth(), 0, 0, 0);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy)
            m_gutter->scroll(0, dy);
        else
            m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
    });
}

int SpiLogView::gutterWidth() const
{
    return fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000 00000.00 ms")) + 2 * kGutterPad;
}

void SpiLogView::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    m_gutter->setGeometry(area.left(), area.top(), gutterWidth(), area.height());
}

void SpiLogView::appendEntries(const std::vector<SpiLog::Entry> &entries, int dropFirst)
{
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    if (dropFirst > 0) {
        // Each exchange starts at a block with gutter data: find the start of the first one that stays.
        QTextBlock block = document()->firstBlock();
        int starts = 0;
        for (; block.isValid(); block = block.next())
            if (block.userData() && ++starts > dropFirst)
                break;
        cursor.setPosition(0);
        if (block.isValid())
            cursor.setPosition(block.position(), QTextCursor::KeepAnchor);
        else
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        // The removal at the top and the addition at the end are told to the layout apart: as one change
        // they would span the whole log, and every block of it would be laid out again.
        cursor.endEditBlock();
        cursor.beginEditBlock();
    }
    cursor.movePosition(QTextCursor::End);
    for (const SpiLog::Entry &entry : entries) {
        if (!document()->isEmpty())
            cursor.insertBlock();
        cursor.block().setUserData(new GutterData(SpiLog::gutterText(entry)));
        cursor.insertText(entry.lines.join(u'\n'));
    }
    cursor.endEditBlock();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void SpiLogView::clearLog()
{
    clear();
}

QString SpiLogView::gutterOf(int blockNumber) const
{
    const QTextBlock block = document()->findBlockByNumber(blockNumber);
    const auto *data = static_cast<const GutterData *>(block.userData());
    return data ? data->text : QString();
}

void SpiLogView::paintGutter(QPaintEvent *event)
{
    QPainter painter(m_gutter);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    while (block.isValid() && top <= event->rect().bottom()) {
        const qreal height = blockBoundingRect(block).height();
        if (const auto *data = static_cast<const GutterData *>(block.userData()))
            painter.drawText(QRectF(kGutterPad, top, m_gutter->width() - kGutterPad, height),
                             Qt::AlignLeft | Qt::AlignVCenter, data->text);
        top += height;
        block = block.next();
    }
}

} // namespace korvo
