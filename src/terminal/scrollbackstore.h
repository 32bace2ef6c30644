#pragma once

// The scroll-back lines of a terminal screen, packed: one ring of 32-bit words holds every line, each as
// its width, its own table of looks (colours and attributes) and one word per cell (the character's low 16
// bits and the index of its look, which also holds the character's high bits). A 200-column line of
// coloured text takes about 4 bytes a cell, and no line has a heap block of its own.

#include "terminal/terminalcell.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace korvo {

class ScrollbackStore
{
public:
    // At most maxLines lines are kept; the oldest go first. Returns how many were dropped.
    int setMaxLines(int maxLines);
    int maxLines() const { return m_maxLines; }

    // Appending a line: beginLine(), then for each of its cells in order setLook() when its look (colours
    // and attributes) is not the one of the cell before, and addCell(); endLine() stores the line (cut at
    // kMaxColumns) and answers whether the oldest line had to go to make room.
    void beginLine(int columns);
    void setLook(const TerminalCell &look);
    void addCell(char32_t ch)
    {
        if ((ch & 0xFFFF0000u) != m_plane) [[unlikely]] {
            m_plane = ch & 0xFFFF0000u;
            m_look = lookIndex() << 16;
        }
        *m_next++ = (ch & 0xFFFFu) | m_look;
    }
    bool endLine();
    // Removes the newest line (which the caller has read first).
    void popNewest();
    void clear();

    int count() const { return int(m_starts.size()); }
    int columns(int line) const { return int(m_words[m_starts[size_t(line)]]); }
    // Blank beyond the line's width.
    TerminalCell cell(int line, int column) const;

    // Every cell can add two looks at most (its colours and its high bits): their index fits 16 bits.
    static constexpr int kMaxColumns = 0x7FFF;

private:
    uint32_t lookIndex();
    uint32_t recordWords(uint32_t start) const;
    void dropOldest();
    uint32_t place(uint32_t words);
    void repack(size_t capacity);

    // The ring, left uninitialised so that the part no line has reached yet takes no memory. A record never
    // wraps: when it does not fit at the end, it starts again at the beginning and leaves a gap. Offsets
    // are 32-bit: a ring past 2^32 words would take 16 GB.
    std::unique_ptr<uint32_t[]> m_words;
    size_t m_capacity = 0;
    std::deque<uint32_t> m_starts; // where each line's record begins, oldest first
    uint32_t m_end = 0;            // just past the newest record
    size_t m_used = 0;             // words in records
    int m_maxLines = 0;
    // The line being packed: its looks and its cells, and the look of the cells being added (the
    // characters' high bits, m_plane, are part of it) with its index in the line's looks, shifted.
    std::vector<uint32_t> m_looks;
    uint32_t m_lookCount = 0;
    std::vector<uint32_t> m_cells;
    uint32_t *m_next = nullptr;
    TerminalCell m_current;
    uint32_t m_plane = 0;
    uint32_t m_look = 0;
    std::array<uint32_t, 16> m_recentLooks{}; // 1 + index of a look of the line, by its hash
};

} // namespace korvo
