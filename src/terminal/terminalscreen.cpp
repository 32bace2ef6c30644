#include "terminal/terminalscreen.h"

#include <vterm.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace korvo {

namespace {

uint32_t colourOf(const VTermColor &c, bool foreground)
{
    if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&c) : VTERM_COLOR_IS_DEFAULT_BG(&c))
        return TerminalCell::kDefaultColour;
    if (VTERM_COLOR_IS_INDEXED(&c))
        return TerminalCell::kIndexedColour | c.indexed.idx;
    return (uint32_t(c.rgb.red) << 16) | (uint32_t(c.rgb.green) << 8) | c.rgb.blue;
}

void toVTermColour(uint32_t colour, bool foreground, VTermColor *c)
{
    if (colour == TerminalCell::kDefaultColour) {
        vterm_color_rgb(c, 0, 0, 0);
        c->type |= foreground ? VTERM_COLOR_DEFAULT_FG : VTERM_COLOR_DEFAULT_BG;
    } else if (colour & TerminalCell::kIndexedColour) {
        vterm_color_indexed(c, uint8_t(colour & 0xFF));
    } else {
        vterm_color_rgb(c, uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour));
    }
}

TerminalCell fromVTerm(const VTermScreenCell &v)
{
    TerminalCell c;
    c.ch = v.chars[0];
    c.fg = colourOf(v.fg, true);
    c.bg = colourOf(v.bg, false);
    c.attrs = (v.attrs.bold ? TerminalCell::Bold : 0) | (v.attrs.italic ? TerminalCell::Italic : 0) |
              (v.attrs.underline ? TerminalCell::Underline : 0) |
              (v.attrs.reverse ? TerminalCell::Reverse : 0) | (v.attrs.strike ? TerminalCell::Strike : 0);
    return c;
}

bool sameLook(const VTermScreenCell &a, const VTermScreenCell &b)
{
    return std::memcmp(&a.attrs, &b.attrs, sizeof a.attrs) == 0 &&
           std::memcmp(&a.fg, &b.fg, sizeof a.fg) == 0 && std::memcmp(&a.bg, &b.bg, sizeof a.bg) == 0;
}

void toVTerm(const TerminalCell &c, VTermScreenCell *v)
{
    *v = VTermScreenCell{};
    v->chars[0] = c.ch;
    v->width = 1;
    toVTermColour(c.fg, true, &v->fg);
    toVTermColour(c.bg, false, &v->bg);
    v->attrs.bold = (c.attrs & TerminalCell::Bold) != 0;
    v->attrs.italic = (c.attrs & TerminalCell::Italic) != 0;
    v->attrs.underline = (c.attrs & TerminalCell::Underline) ? 1 : 0;
    v->attrs.reverse = (c.attrs & TerminalCell::Reverse) != 0;
    v->attrs.strike = (c.attrs & TerminalCell::Strike) != 0;
}

QRect toQRect(const VTermRect &r)
{
    return QRect(r.start_col, r.start_row, r.end_col - r.start_col, r.end_row - r.start_row);
}

void appendChar(QString &out, char32_t ch)
{
    if (ch == TerminalCell::kWideTail)
        return;
    if (ch == 0) {
        out += QLatin1Char(' ');
        return;
    }
    const char32_t one[1] = {ch};
    out += QString::fromUcs4(one, 1);
}

void stripTrailingBlanks(QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    s.truncate(n);
}

} // namespace

TerminalScreen::TerminalScreen(int rows, int columns, int scrollRows, QObject *parent)
    : QObject(parent), m_vterm(vterm_new(std::max(1, rows), std::max(1, columns)), vterm_free),
      m_rows(std::max(1, rows)), m_columns(std::max(1, columns))
{
    m_scrollback.setMaxLines(scrollRows);
    vterm_set_utf8(m_vterm.get(), 1);
    vterm_output_set_callback(
        m_vterm.get(),
        [](const char *s, size_t len, void *user) {
            auto *self = static_cast<TerminalScreen *>(user);
            if (self->m_output)
                self->m_output(s, len);
        },
        this);

    static const VTermScreenCallbacks callbacks = {
        [](VTermRect rect, void *user) {
            static_cast<TerminalScreen *>(user)->noteDamage(toQRect(rect));
            return 1;
        },
        [](VTermRect dest, VTermRect, void *user) {
            static_cast<TerminalScreen *>(user)->noteDamage(toQRect(dest));
            return 1;
        },
        nullptr, // movecursor: called per character; write() compares the cursor before and after instead
        nullptr, // settermprop: titles and modes have no place in this window
        [](void *user) {
            Q_EMIT static_cast<TerminalScreen *>(user)->bell();
            return 1;
        },
        nullptr, // resize: only this class resizes
        [](int cols, const VTermScreenCell *cells, void *user) {
            static_cast<TerminalScreen *>(user)->pushLine(cols, cells);
            return 1;
        },
        [](int cols, VTermScreenCell *cells, void *user) {
            return static_cast<TerminalScreen *>(user)->popLine(cols, cells) ? 1 : 0;
        },
    };
    m_screen = vterm_obtain_screen(m_vterm.get());
    vterm_screen_set_callbacks(m_screen, &callbacks, this);
    vterm_screen_set_damage_merge(m_screen, VTERM_DAMAGE_SCROLL);
    vterm_screen_reset(m_screen, 1);
    clear();
}

TerminalScreen::~TerminalScreen() = default;

void TerminalScreen::pushLine(int columns, const void *cells)
{
    const auto *v = static_cast<const VTermScreenCell *>(cells);
    m_linesChanged = true;
    if (m_scrollback.maxLines() == 0) {
        ++m_dropped;
        return;
    }
    // Neighbouring cells mostly share their look: it is converted once per run, not once per cell.
    m_scrollback.beginLine(columns);
    const VTermScreenCell *lookOf = nullptr;
    for (int i = 0; i < columns; ++i) {
        const VTermScreenCell &c = v[i];
        if (!lookOf || !sameLook(c, *lookOf)) {
            m_scrollback.setLook(fromVTerm(c));
            lookOf = &c;
        }
        m_scrollback.addCell(c.chars[0]);
    }
    if (m_scrollback.endLine())
        ++m_dropped;
}

bool TerminalScreen::popLine(int columns, void *cells)
{
    if (m_scrollback.count() == 0)
        return false;
    auto *v = static_cast<VTermScreenCell *>(cells);
    const int newest = m_scrollback.count() - 1;
    for (int i = 0; i < columns; ++i) {
        toVTerm(m_scrollback.cell(newest, i), &v[i]);
        if (v[i].chars[0] == TerminalCell::kWideTail && i > 0)
            v[i - 1].width = 2;
    }
    m_scrollback.popNewest();
    m_linesChanged = true;
    return true;
}

void TerminalScreen::noteDamage(const QRect &rect)
{
    m_damage = m_damage.isNull() ? rect : m_damage.united(rect);
}

void TerminalScreen::flush()
{
    vterm_screen_flush_damage(m_screen);
    if (m_linesChanged) {
        m_linesChanged = false;
        Q_EMIT linesChanged();
    }
    if (!m_damage.isNull()) {
        const QRect damage = m_damage.intersected(QRect(0, 0, m_columns, m_rows));
        m_damage = QRect();
        if (!damage.isEmpty())
            Q_EMIT invalidated(damage);
    }
}

namespace {
// Bytes at the end of data that start a UTF-8 sequence not yet complete.
qsizetype incompleteTail(const char *data, qsizetype length)
{
    for (qsizetype back = 1; back <= std::min<qsizetype>(3, length); ++back) {
        const auto c = static_cast<unsigned char>(data[length - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for the lead
        const qsizetype needed = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return needed > back ? back : 0;
    }
    return 0;
}
} // namespace

void TerminalScreen::write(const char *utf8, qsizetype length)
{
    if (length <= 0)
        return;
    // libvterm does not carry a UTF-8 sequence over from one write to the next, so a character cut by a
    // read boundary is held back until its last byte arrives.
    if (!m_pending.isEmpty()) {
        m_pending.append(utf8, length);
        const QByteArray joined = std::exchange(m_pending, QByteArray());
        write(joined.constData(), joined.size());
        return;
    }
    const qsizetype tail = incompleteTail(utf8, length);
    if (tail > 0)
        m_pending = QByteArray(utf8 + length - tail, tail);
    if (length > tail) {
        VTermState *state = vterm_obtain_state(m_vterm.get());
        VTermPos before;
        vterm_state_get_cursorpos(state, &before);
        vterm_input_write(m_vterm.get(), utf8, size_t(length - tail));
        VTermPos after;
        vterm_state_get_cursorpos(state, &after);
        if (vterm_pos_cmp(before, after) != 0) {
            noteDamage(QRect(before.col, before.row, 1, 1));
            noteDamage(QRect(after.col, after.row, 1, 1));
        }
    }
    flush();
}

void TerminalScreen::resize(int rows, int columns)
{
    rows = std::max(1, rows);
    columns = std::max(1, columns);
    if (rows == m_rows && columns == m_columns)
        return;
    vterm_set_size(m_vterm.get(), rows, columns);
    m_rows = rows;
    m_columns = columns;
    m_linesChanged = true;
    noteDamage(QRect(0, 0, columns, rows));
    flush();
}

void TerminalScreen::setScrollRows(int scrollRows)
{
    const int dropped = m_scrollback.setMaxLines(scrollRows);
    m_dropped += dropped;
    m_linesChanged = m_linesChanged || dropped > 0;
    flush();
}

void TerminalScreen::clear()
{
    m_pending.clear();
    vterm_screen_reset(m_screen, 1);
    m_dropped += m_scrollback.count();
    m_scrollback.clear();
    m_linesChanged = true;
    noteDamage(QRect(0, 0, m_columns, m_rows));
    setCursor(m_rows - 1, 0);
}

int TerminalScreen::cursorRow() const
{
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(m_vterm.get()), &pos);
    return pos.row;
}

int TerminalScreen::cursorColumn() const
{
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(m_vterm.get()), &pos);
    return pos.col;
}

void TerminalScreen::setCursor(int row, int column)
{
    const QByteArray cup = "\x1b[" + QByteArray::number(std::clamp(row, 0, m_rows - 1) + 1) + ';' +
                           QByteArray::number(std::clamp(column, 0, m_columns - 1) + 1) + 'H';
    write(cup);
}

TerminalCell TerminalScreen::cell(int line, int column) const
{
    if (line < 0 || column < 0)
        return {};
    const int sb = scrollbackCount();
    if (line < sb)
        return m_scrollback.cell(line, column);
    if (line - sb >= m_rows || column >= m_columns)
        return {};
    VTermScreenCell v;
    vterm_screen_get_cell(m_screen, VTermPos{line - sb, column}, &v);
    return fromVTerm(v);
}

QString TerminalScreen::lineText(int line) const
{
    QString out;
    const int cols = line < scrollbackCount() && line >= 0 ? m_scrollback.columns(line) : m_columns;
    out.reserve(cols);
    for (int c = 0; c < cols; ++c)
        appendChar(out, cell(line, c).ch);
    stripTrailingBlanks(out);
    return out;
}

QString TerminalScreen::screenText() const
{
    QStringList rows;
    for (int r = 0; r < m_rows; ++r)
        rows << lineText(scrollbackCount() + r);
    return rows.join(QLatin1Char('\n'));
}

QString TerminalScreen::text(QPoint from, QPoint to) const
{
    if (std::pair(from.y(), from.x()) > std::pair(to.y(), to.x()))
        std::swap(from, to);
    QString out;
    const int first = std::max(0, from.y());
    const int last = std::min(lineCount() - 1, to.y());
    for (int line = first; line <= last; ++line) {
        const QString full = lineText(line);
        const int start = line == from.y() ? std::max(0, from.x()) : 0;
        const int end = line == to.y() ? to.x() : m_columns - 1;
        QString part;
        for (int c = start; c <= end && c < std::max(m_columns, int(full.size())); ++c)
            appendChar(part, cell(line, c).ch);
        stripTrailingBlanks(part);
        // The screen fills from its bottom row: the blank rows above the first text are none of it.
        if (out.isEmpty() && part.isEmpty())
            continue;
        out += part;
        // A range that runs past the last character of a line takes the line's end with it.
        if (line < last || end >= full.size())
            out += QLatin1Char('\n');
    }
    return out;
}

} // namespace korvo
