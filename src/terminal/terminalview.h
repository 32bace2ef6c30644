#pragma once

// Paints a TerminalScreen: runs of equal attributes, a change after a quiet spell at once and a flood's
// repaints coalesced to about 60 per second, scroll-back through the scroll bar, mouse selection, block or
// line cursor, the 16-colour palette.

#include "terminal/celltextpainter.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>

#include <array>

namespace korvo {

class TerminalScreen;
struct TerminalCell;

class TerminalView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TerminalView(TerminalScreen &screen, QWidget *parent = nullptr);

    // A family that is not installed gives the system's fixed-pitch font at the same size and style.
    void setTerminalFont(const QString &family, double pointSize, bool bold, bool italic);
    QFont terminalFont() const { return m_font; }
    // Colour indexes 0..15 of the classic palette for text and background without colour escapes.
    void setColours(int foreIndex, int backIndex);
    void setBlockCursor(bool block);
    bool blockCursor() const { return m_blockCursor; }

    // The classic console palette: 0 black, 1 blue, 2 green, 3 cyan, 4 red, ... 15 bright white.
    static QColor paletteColour(int index);
    // A cell colour (default, indexed in ANSI order, or RGB) as painted.
    QColor cellColour(uint32_t colour, bool foreground) const;

    bool hasSelection() const { return m_hasSelection; }
    QString selectedText() const;
    void clearSelection();
    void selectAll();

    // Lines are counted from the top of the scroll-back; negative moves towards older lines.
    void scrollLines(int delta);
    void scrollToTop();
    void scrollToBottom();
    bool atBottom() const;
    // Screen line shown in the first row of the view (0 = oldest scroll-back line).
    int firstVisibleLine() const;

    // Paints the pending frame now if it is due: the receive path calls it once it has handed on what
    // arrived, so that the echo of a typed key is on the screen before the event loop turns to other work.
    void paintIfDue();

    QSize cellSize() const { return QSize(m_cellWidth, m_cellHeight); }
    QSize sizeHint() const override;

Q_SIGNALS:
    void selectionChanged();
    void rightButtonReleased(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Pos
    {
        qint64 line = 0; // counted from the first line the screen ever had
        int column = 0;
        auto operator<=>(const Pos &) const = default;
    };

    void onInvalidated(const QRect &cells);
    void onLinesChanged();
    void updateScrollBars();
    // Keeps the view on the newest lines while it follows them, and within the lines that exist.
    void followLines();
    int maxTopLine() const;
    void scheduleRepaint(const QRect &area);
    void paintFrame();
    Pos posAt(const QPoint &viewportPoint) const;
    bool isSelected(qint64 line, int column) const;
    int visibleRows() const;
    void paintLine(class QPainter &p, int viewRow, int line, qint64 absLine, int x0);

    TerminalScreen &m_screen;
    QFont m_font;
    std::array<QFont, CellTextPainter::kStyles>
        m_styled; // by the cell's bold, italic, underline and strike bits
    CellTextPainter m_text;
    QString m_run;               // the run being painted, reused from line to line
    std::vector<int> m_runCells; // the cell (from the run's start) of each character of m_run
    int m_cellWidth = 8;
    int m_cellHeight = 16;
    int m_ascent = 12;
    int m_foreIndex = 0;
    int m_backIndex = 15;
    bool m_blockCursor = false;

    bool m_follow = true; // the view stays on the newest lines as text arrives
    qint64 m_topLine = 0; // absolute line in the first view row

    bool m_hasSelection = false;
    bool m_selecting = false;
    Pos m_anchor;
    Pos m_selStart;
    Pos m_selEnd;

    QTimer m_repaintTimer;
    // Spaces the frames: after each a gap of seven times its own time, from 16 to 100 ms.
    QElapsedTimer m_clock;
    qint64 m_nextFrameNs = 0;  // on m_clock, the end of the last frame and its gap
    bool m_quietFrame = false; // the frame to come was asked for after the gap
    bool m_mayHurry = false;   // the last one was: the next need not wait for the gap
    QRect m_dirty;
    bool m_scrollBarsStale = false;
};

} // namespace korvo
