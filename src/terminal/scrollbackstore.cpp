#include "terminal/scrollbackstore.h"

#include <algorithm>
#include <cstring>

namespace korvo {

namespace {

// A record: its width, its number of looks, the looks (foreground, background, attributes in the low byte
// and the characters' high 16 bits in the high half), then one word per cell (low 16 bits of the
// character, index of its look in the high half).
constexpr uint32_t kHeaderWords = 2;
constexpr uint32_t kLookWords = 3;
// The first ring: a few dozen lines, so that a quiet terminal holds little.
constexpr size_t kFirstRingWords = 8192;

} // namespace

int ScrollbackStore::setMaxLines(int maxLines)
{
    m_maxLines = std::max(0, maxLines);
    int dropped = 0;
    for (; count() > m_maxLines; ++dropped)
        dropOldest();
    // Room was made for the old limit: a smaller one gives the rest back.
    if (dropped > 0)
        repack(m_used);
    return dropped;
}

void ScrollbackStore::beginLine(int columns)
{
    // Every cell can add two looks at most.
    m_looks.resize(kLookWords * 2 * size_t(std::max(0, columns)));
    m_lookCount = 0;
    m_cells.resize(size_t(std::max(0, columns)));
    m_next = m_cells.data();
    m_plane = 0;
    m_recentLooks.fill(0);
}

void ScrollbackStore::setLook(const TerminalCell &look)
{
    m_current = look;
    m_look = lookIndex() << 16;
}

uint32_t ScrollbackStore::lookIndex()
{
    const uint32_t fg = m_current.fg;
    const uint32_t bg = m_current.bg;
    const uint32_t word = uint32_t(m_current.attrs) | m_plane;
    // Colours come back within a line (a highlighted word, then plain text again): a look seen before in
    // the line is found through a small table by its hash, else (or when another look took its place in
    // the table) it is added.
    uint32_t &recent = m_recentLooks[((fg * 0x9E3779B1u) ^ (bg * 0x85EBCA77u) ^ (word * 0xC2B2AE3Du)) >> 28];
    if (recent > 0) {
        const uint32_t *look = &m_looks[kLookWords * (recent - 1)];
        if (look[0] == fg && look[1] == bg && look[2] == word)
            return recent - 1;
    }
    uint32_t *look = &m_looks[kLookWords * m_lookCount];
    look[0] = fg;
    look[1] = bg;
    look[2] = word;
    recent = ++m_lookCount;
    return m_lookCount - 1;
}

bool ScrollbackStore::endLine()
{
    if (m_maxLines == 0)
        return true;
    if (m_cells.size() > size_t(kMaxColumns))
        m_cells.resize(size_t(kMaxColumns));
    const bool dropped = count() == m_maxLines;
    if (dropped)
        dropOldest();
    const size_t lookWords = kLookWords * m_lookCount;
    const auto words = uint32_t(kHeaderWords + lookWords + m_cells.size());
    const uint32_t start = place(words);
    uint32_t *record = m_words.get() + start;
    record[0] = uint32_t(m_cells.size());
    record[1] = m_lookCount;
    std::memcpy(record + kHeaderWords, m_looks.data(), lookWords * sizeof(uint32_t));
    std::memcpy(record + kHeaderWords + lookWords, m_cells.data(), m_cells.size() * sizeof(uint32_t));
    m_starts.push_back(start);
    m_end = start + words;
    m_used += words;
    return dropped;
}

void ScrollbackStore::popNewest()
{
    m_used -= recordWords(m_starts.back());
    m_starts.pop_back();
    m_end = m_starts.empty() ? 0 : m_starts.back() + recordWords(m_starts.back());
}

void ScrollbackStore::clear()
{
    m_starts.clear();
    m_words.reset();
    m_capacity = 0;
    m_end = 0;
    m_used = 0;
}

TerminalCell ScrollbackStore::cell(int line, int column) const
{
    const uint32_t *record = m_words.get() + m_starts[size_t(line)];
    if (uint32_t(column) >= record[0])
        return {};
    const uint32_t word = record[kHeaderWords + kLookWords * record[1] + uint32_t(column)];
    const uint32_t *look = record + kHeaderWords + kLookWords * (word >> 16);
    TerminalCell c;
    c.ch = (look[2] & 0xFFFF0000u) | (word & 0xFFFFu);
    c.fg = look[0];
    c.bg = look[1];
    c.attrs = uint8_t(look[2]);
    return c;
}

uint32_t ScrollbackStore::recordWords(uint32_t start) const
{
    return kHeaderWords + kLookWords * m_words[start + 1] + m_words[start];
}

void ScrollbackStore::dropOldest()
{
    m_used -= recordWords(m_starts.front());
    m_starts.pop_front();
    if (m_starts.empty())
        m_end = 0;
}

uint32_t ScrollbackStore::place(uint32_t words)
{
    const size_t capacity = m_capacity;
    if (m_starts.empty()) {
        if (capacity >= words)
            return 0;
    } else {
        const uint32_t oldest = m_starts.front();
        if (m_end > oldest) {
            // In one piece: free after the newest record, and before the oldest once the ring wraps.
            if (capacity - m_end >= words)
                return m_end;
            if (oldest >= words)
                return 0;
        } else if (oldest - m_end >= words) {
            return m_end;
        }
    }
    // Grow towards what the full scroll-back will take at the lines' present size (with a little room for
    // wider lines and the gap where the ring wraps), doubling on the way so that filling it copies little.
    const size_t needed = m_used + words;
    const size_t lines = size_t(count()) + 1;
    const size_t projected = needed * size_t(m_maxLines) / lines * 33 / 32 + words;
    repack(std::max(needed + words, std::min(projected, std::max(2 * capacity, kFirstRingWords))));
    return m_end;
}

void ScrollbackStore::repack(size_t capacity)
{
    auto ring = std::make_unique_for_overwrite<uint32_t[]>(capacity);
    uint32_t at = 0;
    for (uint32_t &start : m_starts) {
        const uint32_t words = recordWords(start);
        std::memcpy(ring.get() + at, m_words.get() + start, words * sizeof(uint32_t));
        start = at;
        at += words;
    }
    m_words = std::move(ring);
    m_capacity = capacity;
    m_end = at;
}

} // namespace korvo
