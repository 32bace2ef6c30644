#pragma once

// Draws a terminal line's runs of text into their cells. A grid of cells needs no text layout: the
// characters become glyphs of the face directly and stand at their cells' positions, which costs a small
// part of what shaping every run would, and keeps a proportional face in its cells too. Text the face
// cannot show goes through the painter's ordinary text drawing, which finds fallback fonts.

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QString>

#include <array>
#include <vector>

class QPainter;

namespace korvo {

class CellTextPainter
{
public:
    static constexpr int kStyles = 32; // by the cell's bold, italic, underline and strike bits

    // The faces by style key; underline and strike bits are drawn as decorations of the run.
    void setFonts(const std::array<QFont, kStyles> &fonts, bool fixedPitch, int cellWidth);

    // text, whose characters start at the cells given in columns (counted from the run's first cell), with
    // its baseline's left end at origin.
    void draw(QPainter &p, int style, QPointF origin, const QString &text, const std::vector<int> &columns);

private:
    bool drawGlyphs(QPainter &p, int style, QPointF origin, const QString &text,
                    const std::vector<int> &columns);

    std::array<QFont, kStyles> m_fonts;
    std::array<QRawFont, kStyles> m_rawFonts; // made when a style is first drawn
    bool m_fixedPitch = true;
    int m_cellWidth = 8;
    std::vector<quint32> m_glyphs;
    std::vector<QPointF> m_positions;
};

} // namespace korvo
