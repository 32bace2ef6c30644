#include "terminal/celltextpainter.h"

#include "terminal/terminalscreen.h"

#include <QGlyphRun>
#include <QPainter>

namespace korvo {

void CellTextPainter::setFonts(const std::array<QFont, kStyles> &fonts, bool fixedPitch, int cellWidth)
{
    m_fonts = fonts;
    m_rawFonts = {};
    m_fixedPitch = fixedPitch;
    m_cellWidth = cellWidth;
}

void CellTextPainter::draw(QPainter &p, int style, QPointF origin, const QString &text,
                           const std::vector<int> &columns)
{
    // Glyphs placed cell by cell suit any face, also a proportional one.
    if (drawGlyphs(p, style, origin, text, columns))
        return;
    p.setFont(m_fonts[size_t(style)]);
    if (m_fixedPitch) {
        p.drawText(origin, text);
        return;
    }
    // A proportional face still keeps every character in its cell.
    for (qsizetype i = 0; i < text.size(); ++i)
        p.drawText(origin + QPointF(columns[size_t(i)] * m_cellWidth, 0), QString(text.at(i)));
}

bool CellTextPainter::drawGlyphs(QPainter &p, int style, QPointF origin, const QString &text,
                                 const std::vector<int> &columns)
{
    QRawFont &raw = m_rawFonts[size_t(style)];
    if (!raw.isValid())
        raw = QRawFont::fromFont(m_fonts[size_t(style)]);
    m_glyphs.resize(size_t(text.size()));
    int count = int(m_glyphs.size());
    if (!raw.isValid() ||
        !raw.glyphIndexesForChars(text.constData(), int(text.size()), m_glyphs.data(), &count))
        return false;
    // A surrogate pair gives one glyph for two characters; a missing glyph needs a fallback font.
    if (count != text.size())
        return false;
    m_positions.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        if (m_glyphs[size_t(i)] == 0 && text.at(i) != QLatin1Char(' '))
            return false;
        m_positions[size_t(i)] = QPointF(columns[size_t(i)] * m_cellWidth, 0);
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setRawData(m_glyphs.data(), m_positions.data(), count);
    run.setUnderline(style & TerminalCell::Underline);
    run.setStrikeOut(style & TerminalCell::Strike);
    p.drawGlyphRun(origin, run);
    return true;
}

} // namespace korvo
