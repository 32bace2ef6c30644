// The painting view: what it draws where, and how its scroll bar keeps up with a screen that scrolls.

#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"

#include <QPainter>
#include <QScrollBar>
#include <QtTest>

using namespace korvo;

class TstTerminalView : public QObject
{
    Q_OBJECT

private:
    // The view's pixels of one cell (row and column on the screen, which fills the view).
    static QImage cellImage(const QImage &shot, const TerminalView &view, int row, int column)
    {
        const QPoint origin = view.viewport()->mapTo(&view, QPoint(0, 0));
        const QSize cell = view.cellSize();
        return shot.copy(origin.x() + column * cell.width(), origin.y() + row * cell.height(), cell.width(),
                         cell.height());
    }

    static bool allOf(const QImage &image, QRgb colour)
    {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != colour)
                    return false;
        return true;
    }

    static bool hasInk(const QImage &image, QRgb background) { return !allOf(image, background); }

    // How many pixel rows of the image hold ink (anything but white).
    static int inkRows(const QImage &image)
    {
        int rows = 0;
        for (int y = 0; y < image.height(); ++y)
            rows += allOf(image.copy(0, y, image.width(), 1), qRgb(255, 255, 255)) ? 0 : 1;
        return rows;
    }

private Q_SLOTS:
    void eachCharacterIsPaintedInItsOwnCellOnItsBackground()
    {
        TerminalScreen screen(2, 12, 0);
        TerminalView view(screen);
        view.setColours(0, 15);
        view.resize(view.sizeHint());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Glyphs stand at their cells whatever the face's own advances; a coloured run fills its cells.
        screen.write(QByteArray("\x1b[1;1HW.W  \x1b[41mM\x1b[0m  iii"));
        view.viewport()->repaint();
        const QImage shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb white = TerminalView::paletteColour(15).rgb();
        for (int column : {0, 2, 9, 10, 11})
            QVERIFY2(hasInk(cellImage(shot, view, 0, column), white), qPrintable(QString::number(column)));
        for (int column : {3, 4, 6, 7})
            QVERIFY2(allOf(cellImage(shot, view, 0, column), white), qPrintable(QString::number(column)));
        const QRgb red = view.cellColour(TerminalCell::kIndexedColour | 1u, false).rgb();
        const QImage redCell = cellImage(shot, view, 0, 5);
        QCOMPARE(redCell.pixel(0, 0), red);
        QVERIFY(hasInk(redCell, red));
    }

    void aRowHoldsTheWholeInkOfAccentsAndDescenders()
    {
        // One row, so that it is first and last: nothing above or below it may be cut off.
        TerminalScreen screen(1, 12, 0);
        TerminalView view(screen);
        view.setColours(0, 15);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QString text = QString::fromUtf8("ÅÉÇ|gjpqy_Ö");
        screen.write(text.toUtf8());
        for (const double size : {6.0, 7.0, 8.0, 9.0, 10.0, 11.0, 12.0, 14.0, 16.0}) {
            view.setTerminalFont(QStringLiteral("DejaVu Sans Mono"), size, false, false);
            view.resize(view.sizeHint());
            // The horizontal scroll bar of the narrower size before goes with the next turn of events.
            QTRY_COMPARE(view.viewport()->height(), view.cellSize().height());
            view.viewport()->repaint();
            // The cells of the text, not the cursor after it.
            const QImage shot =
                view.viewport()
                    ->grab(QRect(0, 0, int(text.size()) * view.cellSize().width(), view.viewport()->height()))
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            // The same characters drawn with room to spare, each at its cell.
            QImage free(shot.width(), 4 * shot.height() + 40, QImage::Format_RGB32);
            free.fill(Qt::white);
            QPainter painter(&free);
            painter.setFont(view.terminalFont());
            painter.setPen(Qt::black);
            for (int i = 0; i < text.size(); ++i)
                painter.drawText(QPointF(i * view.cellSize().width(), free.height() / 2), text.at(i));
            painter.end();
            QVERIFY2(inkRows(shot) == inkRows(free), qPrintable(QStringLiteral("%1 pt: %2 of %3 pixel rows")
                                                                    .arg(size)
                                                                    .arg(inkRows(shot))
                                                                    .arg(inkRows(free))));
        }
    }

    void theViewFollowsNewLinesAtOnceAndItsScrollBarWithTheNextFrame()
    {
        TerminalScreen screen(5, 20, 100);
        TerminalView view(screen);
        view.resize(view.sizeHint());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int i = 0; i < 40; ++i)
            screen.write("line " + QByteArray::number(i) + "\r\n");
        QVERIFY(view.atBottom());
        const int maxTop = screen.lineCount() - view.viewport()->height() / view.cellSize().height();
        QCOMPARE(view.firstVisibleLine(), maxTop);
        QTRY_COMPARE(view.verticalScrollBar()->maximum(), maxTop);
        QCOMPARE(view.verticalScrollBar()->value(), maxTop);
        // Scrolling back right after more text arrived starts from where the text is, not where the bar was.
        screen.write(QByteArray("more\r\nand more\r\n"));
        view.scrollLines(-3);
        QCOMPARE(view.firstVisibleLine(), maxTop + 2 - 3);
        QVERIFY(!view.atBottom());
        screen.write(QByteArray("still more\r\n"));
        QCOMPARE(view.firstVisibleLine(), maxTop + 2 - 3);
        view.scrollToBottom();
        QVERIFY(view.atBottom());
    }
};

QTEST_MAIN(TstTerminalView)
#include "tst_terminalview.moc"
