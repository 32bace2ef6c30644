#pragma once

// The character-cell screen of a terminal window, built on libvterm: text goes in, cells, lines and
// invalidated regions come out. It paints nothing; TerminalView draws it.

#include "terminal/scrollbackstore.h"

#include <QByteArray>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

struct VTerm;
struct VTermScreen;

namespace korvo {

class TerminalScreen : public QObject
{
    Q_OBJECT
public:
    TerminalScreen(int rows, int columns, int scrollRows, QObject *parent = nullptr);
    ~TerminalScreen() override;

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    int scrollRows() const { return m_scrollback.maxLines(); }

    // Changes the grid; screen lines and scroll-back are kept (lines wider than the grid are cut).
    void resize(int rows, int columns);
    // Limits the scroll-back; the oldest lines go first.
    void setScrollRows(int scrollRows);

    // Writes UTF-8 text at the cursor, interpreting control characters and escape sequences; a sequence
    // split across two writes is completed by the second.
    void write(const char *utf8, qsizetype length);
    void write(const QByteArray &utf8) { write(utf8.constData(), utf8.size()); }
    void write(const QString &text) { write(text.toUtf8()); }

    // Empties screen and scroll-back and puts the cursor on the last row, column 0.
    void clear();

    int cursorRow() const;    // 0-based row on the screen
    int cursorColumn() const; // 0-based
    void setCursor(int row, int column);

    // Lines are numbered over scroll-back (oldest first) and then the screen rows.
    int scrollbackCount() const { return m_scrollback.count(); }
    int lineCount() const { return scrollbackCount() + m_rows; }
    // Scroll-back lines discarded at the top since the screen was made (keeps line references stable).
    qint64 droppedLines() const { return m_dropped; }
    TerminalCell cell(int line, int column) const;
    // A line's text without its trailing blanks.
    QString lineText(int line) const;
    // The screen rows (no scroll-back) joined by '\n', trailing blanks stripped; for checks and snapshots.
    QString screenText() const;
    // Text between two cells (x = column, y = line; both inclusive, in either order), as the clipboard
    // gets it: each line stripped of trailing blanks, every line that the range covers to its end ended by
    // LF, and no blank lines before the first text.
    QString text(QPoint from, QPoint to) const;

    // Answers the screen gives to device queries (cursor position reports and the like).
    void setOutput(std::function<void(const char *, size_t)> output) { m_output = std::move(output); }

Q_SIGNALS:
    // Screen cells (x = column, y = screen row) that changed; raised once per write at most.
    void invalidated(const QRect &cells);
    // The grid size or the scroll-back changed shape (lines pushed, dropped, cleared).
    void linesChanged();
    // The device sent BEL.
    void bell();

private:
    void pushLine(int columns, const void *cells);
    bool popLine(int columns, void *cells);
    void noteDamage(const QRect &rect);
    void flush();

    std::unique_ptr<VTerm, void (*)(VTerm *)> m_vterm;
    VTermScreen *m_screen = nullptr;
    int m_rows;
    int m_columns;
    ScrollbackStore m_scrollback;
    qint64 m_dropped = 0;
    QByteArray m_pending; // start of a UTF-8 sequence that the next write completes
    QRect m_damage;
    bool m_linesChanged = false;
    int m_writeDepth = 0;
    std::function<void(const char *, size_t)> m_output;
};

} // namespace korvo
