#include "terminal/terminalview.h"

#include "terminal/cellfont.h"
#include "terminal/terminalscreen.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace korvo {

namespace {

constexpr int kMinFrameGapMs = 16;
constexpr int kMaxFrameGapMs = 100;
// Under a flood of text a repaint (painting and putting the pixels on the screen) may take one part of the
// time in this many; a screen that is cheap to paint repaints about 60 times a second.
constexpr int kRepaintShare = 8;
constexpr qint64 kNsPerMs = 1000000;
constexpr int kFontAttrs =
    TerminalCell::Bold | TerminalCell::Italic | TerminalCell::Underline | TerminalCell::Strike;

// ANSI colour numbers (escape sequences) to the classic palette's indexes.
constexpr int kAnsiToClassic[8] = {0, 4, 2, 6, 1, 5, 3, 7};

} // namespace

TerminalView::TerminalView(TerminalScreen &screen, QWidget *parent)
    : QAbstractScrollArea(parent), m_screen(screen)
{
    m_clock.start();
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_repaintTimer.setSingleShot(true);
    m_repaintTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_repaintTimer, &QTimer::timeout, this, &TerminalView::paintFrame);
    connect(&m_screen, &TerminalScreen::invalidated, this, &TerminalView::onInvalidated);
    connect(&m_screen, &TerminalScreen::linesChanged, this, &TerminalView::onLinesChanged);
    setTerminalFont(QString(), 10, false, false);
}

QColor TerminalView::paletteColour(int index)
{
    static const QRgb classic[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                     0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                     0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    return QColor(classic[std::clamp(index, 0, 15)]);
}

QColor TerminalView::cellColour(uint32_t colour, bool foreground) const
{
    if (colour == TerminalCell::kDefaultColour)
        return paletteColour(foreground ? m_foreIndex : m_backIndex);
    if (colour & TerminalCell::kIndexedColour) {
        const int idx = int(colour & 0xFF);
        if (idx < 16)
            return paletteColour(kAnsiToClassic[idx & 7] + (idx & 8));
        if (idx < 232) { // 6x6x6 cube
            const int c = idx - 16;
            auto level = [](int v) { return v ? 55 + v * 40 : 0; };
            return QColor(level(c / 36), level((c / 6) % 6), level(c % 6));
        }
        const int grey = 8 + (idx - 232) * 10;
        return QColor(grey, grey, grey);
    }
    return QColor(QRgb(colour));
}

void TerminalView::setTerminalFont(const QString &family, double pointSize, bool bold, bool italic)
{
    const CellFont &cell = cellFont(family, pointSize, bold, italic);
    m_font = cell.font;
    for (int i = 0; i < int(m_styled.size()); ++i) {
        QFont &f = m_styled[size_t(i)];
        f = m_font;
        f.setBold(bold || (i & TerminalCell::Bold));
        f.setItalic(italic || (i & TerminalCell::Italic));
        f.setUnderline(i & TerminalCell::Underline);
        f.setStrikeOut(i & TerminalCell::Strike);
    }
    m_cellWidth = cell.cellWidth;
    m_cellHeight = cell.cellHeight;
    m_ascent = cell.ascent;
    m_text.setFonts(m_styled, cell.fixedPitch, m_cellWidth);
    updateScrollBars();
    updateGeometry();
    viewport()->update();
}

void TerminalView::setColours(int foreIndex, int backIndex)
{
    m_foreIndex = std::clamp(foreIndex, 0, 15);
    m_backIndex = std::clamp(backIndex, 0, 15);
    viewport()->update();
}

void TerminalView::setBlockCursor(bool block)
{
    m_blockCursor = block;
    viewport()->update();
}

QSize TerminalView::sizeHint() const
{
    const int frame = 2 * frameWidth();
    return QSize(m_screen.columns() * m_cellWidth + frame + verticalScrollBar()->sizeHint().width(),
                 m_screen.rows() * m_cellHeight + frame);
}

int TerminalView::visibleRows() const
{
    return std::max(1, viewport()->height() / m_cellHeight);
}

int TerminalView::firstVisibleLine() const
{
    return int(m_topLine - m_screen.droppedLines());
}

bool TerminalView::atBottom() const
{
    return m_topLine >= m_screen.droppedLines() + maxTopLine();
}

int TerminalView::maxTopLine() const
{
    return std::max(0, m_screen.lineCount() - visibleRows());
}

void TerminalView::followLines()
{
    const qint64 dropped = m_screen.droppedLines();
    const int maxTop = maxTopLine();
    if (m_follow)
        m_topLine = dropped + maxTop;
    m_topLine = std::clamp<qint64>(m_topLine, dropped, dropped + maxTop);
}

void TerminalView::updateScrollBars()
{
    followLines();
    m_scrollBarsStale = false;
    QScrollBar *v = verticalScrollBar();
    const QSignalBlocker block(v);
    v->setRange(0, maxTopLine());
    v->setPageStep(visibleRows());
    v->setSingleStep(1);
    v->setValue(int(m_topLine - m_screen.droppedLines()));

    QScrollBar *h = horizontalScrollBar();
    h->setRange(0, std::max(0, m_screen.columns() * m_cellWidth - viewport()->width()));
    h->setPageStep(viewport()->width());
    h->setSingleStep(m_cellWidth);
}

void TerminalView::scrollContentsBy(int, int)
{
    const QScrollBar *v = verticalScrollBar();
    m_topLine = m_screen.droppedLines() + v->value();
    m_follow = v->value() >= v->maximum();
    viewport()->update();
}

void TerminalView::scrollLines(int delta)
{
    if (m_scrollBarsStale)
        updateScrollBars();
    verticalScrollBar()->setValue(verticalScrollBar()->value() + delta);
}

void TerminalView::scrollToTop()
{
    if (m_scrollBarsStale)
        updateScrollBars();
    verticalScrollBar()->setValue(0);
}

void TerminalView::scrollToBottom()
{
    if (m_scrollBarsStale)
        updateScrollBars();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TerminalView::onLinesChanged()
{
    const qint64 dropped = m_screen.droppedLines();
    if (m_hasSelection && m_selStart.line < dropped) {
        // The selected text scrolled out of the scroll-back.
        m_hasSelection = false;
        Q_EMIT selectionChanged();
    }
    // Under a flood every write scrolls: the scroll bar, which repaints itself and its frame, is brought
    // up to date with the next frame rather than after every write.
    followLines();
    m_scrollBarsStale = true;
    scheduleRepaint(viewport()->rect());
}

void TerminalView::onInvalidated(const QRect &cells)
{
    const qint64 screenTop = m_screen.droppedLines() + m_screen.scrollbackCount();
    const int firstRow = int(screenTop + cells.top() - m_topLine);
    const int x0 = -horizontalScrollBar()->value();
    scheduleRepaint(QRect(x0 + cells.left() * m_cellWidth, firstRow * m_cellHeight,
                          cells.width() * m_cellWidth, cells.height() * m_cellHeight)
                        .intersected(viewport()->rect()));
}

void TerminalView::paintFrame()
{
    // Painted here and now, so that the whole cost of a frame is known, not only the paint event's.
    const qint64 startNs = m_clock.nsecsElapsed();
    if (m_scrollBarsStale)
        updateScrollBars();
    viewport()->repaint(std::exchange(m_dirty, QRect()));
    const qint64 endNs = m_clock.nsecsElapsed();
    m_nextFrameNs = endNs + std::clamp<qint64>((endNs - startNs) * (kRepaintShare - 1),
                                               kMinFrameGapMs * kNsPerMs, kMaxFrameGapMs * kNsPerMs);
    m_mayHurry = std::exchange(m_quietFrame, false);
}

void TerminalView::paintIfDue()
{
    if (m_repaintTimer.isActive() && m_repaintTimer.remainingTime() == 0) {
        m_repaintTimer.stop();
        paintFrame();
    }
}

void TerminalView::scheduleRepaint(const QRect &area)
{
    if (area.isEmpty())
        return;
    m_dirty = m_dirty.isNull() ? area : m_dirty.united(area);
    if (m_repaintTimer.isActive())
        return;
    // A change after a quiet spell (the echo of a typed key) is painted at once, and so is the next one,
    // however soon it comes (keys come in pairs, too); from then on, while changes keep coming, each frame
    // waits for the gap after the last.
    const qint64 waitNs = m_nextFrameNs - m_clock.nsecsElapsed();
    m_quietFrame = waitNs <= 0;
    const bool atOnce = m_quietFrame || std::exchange(m_mayHurry, false);
    m_repaintTimer.start(atOnce ? 0 : int((waitNs + kNsPerMs - 1) / kNsPerMs));
}

bool TerminalView::viewportEvent(QEvent *event)
{
    // The viewport also changes size when a scroll bar comes or goes, without a resize of the view.
    if (event->type() == QEvent::Resize)
        updateScrollBars();
    return QAbstractScrollArea::viewportEvent(event);
}

void TerminalView::paintEvent(QPaintEvent *event)
{
    QPainter p(viewport());
    const QRect area = event->rect();
    const QColor background = paletteColour(m_backIndex);
    const int x0 = -horizontalScrollBar()->value();
    const int firstRow = std::max(0, area.top() / m_cellHeight);
    const int lastRow = std::min(visibleRows(), area.bottom() / m_cellHeight);
    const qint64 dropped = m_screen.droppedLines();
    // Cells paint their own background: only what lies outside the painted lines is filled here.
    QRegion uncovered(area);
    for (int row = firstRow; row <= lastRow; ++row) {
        const qint64 abs = m_topLine + row;
        const int line = int(abs - dropped);
        if (line < 0 || line >= m_screen.lineCount())
            continue;
        paintLine(p, row, line, abs, x0);
        uncovered -= QRect(x0, row * m_cellHeight, m_screen.columns() * m_cellWidth, m_cellHeight);
    }
    for (const QRect &rect : uncovered)
        p.fillRect(rect, background);
}

void TerminalView::paintLine(QPainter &p, int viewRow, int line, qint64 absLine, int x0)
{
    const int y = viewRow * m_cellHeight;
    const int columns = m_screen.columns();
    const int cursorLine = m_screen.scrollbackCount() + m_screen.cursorRow();
    const int cursorColumn = line == cursorLine ? m_screen.cursorColumn() : -1;

    QString &run = m_run;
    std::vector<int> &cells = m_runCells;
    run.truncate(0);
    cells.clear();
    bool ink = false; // the run shows more than blanks
    int runStart = 0;
    TerminalCell look;
    bool lookSelected = false;
    auto flush = [&](int end) {
        if (end <= runStart)
            return;
        QColor fg = cellColour(look.fg, true);
        QColor bg = cellColour(look.bg, false);
        if ((look.attrs & TerminalCell::Reverse) != lookSelected)
            std::swap(fg, bg);
        const QRect box(x0 + runStart * m_cellWidth, y, (end - runStart) * m_cellWidth, m_cellHeight);
        p.fillRect(box, bg);
        const int style = look.attrs & kFontAttrs;
        // Blanks without underline or strike-through are their background alone.
        if (ink || (style & (TerminalCell::Underline | TerminalCell::Strike))) {
            p.setPen(fg);
            m_text.draw(p, style, QPointF(box.left(), y + m_ascent), run, cells);
        }
        run.truncate(0);
        cells.clear();
        ink = false;
        runStart = end;
    };

    for (int col = 0; col < columns; ++col) {
        const TerminalCell cell = m_screen.cell(line, col);
        const bool selected = isSelected(absLine, col);
        if (col == runStart) {
            look = cell;
            lookSelected = selected;
        } else if (!cell.sameLook(look) || selected != lookSelected) {
            flush(col);
            look = cell;
            lookSelected = selected;
        }
        if (cell.ch == TerminalCell::kWideTail)
            continue;
        cells.push_back(col - runStart);
        if (cell.ch <= 32) {
            run += QLatin1Char(' ');
        } else if (QChar::requiresSurrogates(cell.ch)) {
            run += QChar(QChar::highSurrogate(cell.ch));
            run += QChar(QChar::lowSurrogate(cell.ch));
            cells.push_back(col - runStart);
            ink = true;
        } else {
            run += QChar(char16_t(cell.ch));
            ink = true;
        }
    }
    flush(columns);

    if (cursorColumn >= 0) {
        const QRect box(x0 + cursorColumn * m_cellWidth, y, m_cellWidth, m_cellHeight);
        const QColor colour = cellColour(TerminalCell::kDefaultColour, true);
        if (m_blockCursor && hasFocus()) {
            p.fillRect(box, colour);
            const TerminalCell under = m_screen.cell(line, cursorColumn);
            if (under.ch > 32 && under.ch != TerminalCell::kWideTail) {
                const char32_t one[1] = {under.ch};
                p.setFont(m_font);
                p.setPen(paletteColour(m_backIndex));
                p.drawText(box.left(), y + m_ascent, QString::fromUcs4(one, 1));
            }
        } else if (m_blockCursor) {
            p.setPen(colour);
            p.drawRect(box.adjusted(0, 0, -1, -1));
        } else {
            const int h = std::max(2, m_cellHeight / 8);
            p.fillRect(QRect(box.left(), box.bottom() - h + 1, box.width(), h), colour);
        }
    }
}

TerminalView::Pos TerminalView::posAt(const QPoint &viewportPoint) const
{
    const int x = viewportPoint.x() + horizontalScrollBar()->value();
    const int row = viewportPoint.y() < 0 ? -1 : viewportPoint.y() / m_cellHeight;
    const qint64 first = m_screen.droppedLines();
    const qint64 last = first + m_screen.lineCount() - 1;
    return Pos{std::clamp<qint64>(m_topLine + row, first, last),
               std::clamp(x / m_cellWidth, 0, m_screen.columns() - 1)};
}

bool TerminalView::isSelected(qint64 line, int column) const
{
    if (!m_hasSelection)
        return false;
    const Pos p{line, column};
    return m_selStart <= p && p <= m_selEnd;
}

void TerminalView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        // The menu comes with the release, over a terminal with nothing selected.
        clearSelection();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const bool had = m_hasSelection;
    m_hasSelection = false;
    m_selecting = true;
    m_anchor = posAt(event->position().toPoint());
    if (had) {
        viewport()->update();
        Q_EMIT selectionChanged();
    }
}

void TerminalView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting)
        return;
    const Pos here = posAt(event->position().toPoint());
    const int y = event->position().toPoint().y();
    if (y < 0)
        scrollLines(-1);
    else if (y > viewport()->height())
        scrollLines(1);
    m_hasSelection = here != m_anchor;
    m_selStart = std::min(m_anchor, here);
    m_selEnd = std::max(m_anchor, here);
    viewport()->update();
}

void TerminalView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        Q_EMIT rightButtonReleased(event->globalPosition().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton && m_selecting) {
        m_selecting = false;
        Q_EMIT selectionChanged();
    }
}

void TerminalView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // A word: the run of non-blank characters under the pointer.
    const Pos at = posAt(event->position().toPoint());
    const int line = int(at.line - m_screen.droppedLines());
    auto blank = [&](int col) {
        const char32_t ch = m_screen.cell(line, col).ch;
        return ch == 0 || ch == U' ';
    };
    if (blank(at.column))
        return;
    int from = at.column;
    int to = at.column;
    while (from > 0 && !blank(from - 1))
        --from;
    while (to + 1 < m_screen.columns() && !blank(to + 1))
        ++to;
    m_selStart = Pos{at.line, from};
    m_selEnd = Pos{at.line, to};
    m_hasSelection = true;
    m_selecting = false;
    viewport()->update();
    Q_EMIT selectionChanged();
}

QString TerminalView::selectedText() const
{
    if (!m_hasSelection)
        return QString();
    const qint64 dropped = m_screen.droppedLines();
    return m_screen.text(QPoint(m_selStart.column, int(m_selStart.line - dropped)),
                         QPoint(m_selEnd.column, int(m_selEnd.line - dropped)));
}

void TerminalView::clearSelection()
{
    if (!m_hasSelection)
        return;
    m_hasSelection = false;
    m_selecting = false;
    viewport()->update();
    Q_EMIT selectionChanged();
}

void TerminalView::selectAll()
{
    const qint64 dropped = m_screen.droppedLines();
    m_selStart = Pos{dropped, 0};
    m_selEnd = Pos{dropped + m_screen.lineCount() - 1, m_screen.columns() - 1};
    m_hasSelection = true;
    viewport()->update();
    Q_EMIT selectionChanged();
}

} // namespace korvo
