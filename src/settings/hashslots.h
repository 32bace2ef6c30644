#pragma once

// An open-addressing index over items numbered 0, 1, 2, ... that are only ever added: the items and their
// hashes live with the caller, who also decides when two items are the same. At most half of the cells are
// used, so a lookup stays short however many items there are.

#include <QtGlobal>
#include <algorithm>
#include <cstddef>
#include <vector>

namespace korvo {

class HashSlots
{
public:
    // The item stored under hash for which same(item) holds, or -1.
    template <typename Same> qsizetype find(std::size_t hash, const Same &same) const
    {
        if (m_slots.empty())
            return -1;
        const qsizetype *const cells = m_slots.data();
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const qsizetype item = cells[i] - 1;
            if (item < 0 || same(item))
                return item;
        }
    }

    // Adds the next item (numbered count()), which find did not find; hashOf(item) gives the hash of any
    // item added before, to spread them over more cells.
    template <typename HashOf> void add(std::size_t hash, const HashOf &hashOf)
    {
        if ((m_count + 1) * 2 > static_cast<qsizetype>(m_slots.size())) {
            m_slots.assign(std::max<std::size_t>(16, m_slots.size() * 2), 0);
            for (qsizetype item = 0; item < m_count; ++item)
                place(hashOf(item), item);
        }
        place(hash, m_count);
        ++m_count;
    }

    qsizetype count() const { return m_count; }

private:
    void place(std::size_t hash, qsizetype item)
    {
        qsizetype *const cells = m_slots.data();
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        while (cells[i] != 0)
            i = (i + 1) & mask;
        cells[i] = item + 1;
    }

    std::vector<qsizetype> m_slots; // item + 1; 0 is free
    qsizetype m_count = 0;
};

} // namespace korvo
