#pragma once

// The bit-timing page as a model: the texts of its nine fields and the bit-timing state behind them, with
// the page's rules for typing, committing (Enter or leaving a field) and recalculating. The registers BTR0
// and BTR1 are what reaches the device; the other fields are the quantities an engineer thinks in. An
// empty field is the one to compute (the window paints it grey).

#include <QString>
#include <array>

namespace korvo {

class BitTimingCalculator
{
public:
    enum class Field { BaudRate, BitTime, Brp, Sjw, Tseg1, Tseg2, Tsjw, Btr0, Btr1 };
    static constexpr int kFieldCount = 9;

    // Show_Bit_Timing: the registers split into their parts, the derived quantities recomputed.
    void load(int btr0, int btr1);
    // The engineer changed a field's text: the value is stored at once, nothing else is recomputed.
    void edit(Field field, const QString &text);
    // Enter or focus lost: validated and folded in; false when the entry was ignored (out of range, not a
    // number), in which case the text stays as typed and nothing else changes.
    bool commit(Field field);

    const QString &text(Field field) const { return m_text[index(field)]; }
    bool isEmpty(Field field) const { return text(field).isEmpty(); }
    int btr0() const { return m_btr0; }
    int btr1() const { return m_btr1; }

private:
    static std::size_t index(Field field) { return static_cast<std::size_t>(field); }
    // A program write of a field: stored like a typed change.
    void setText(Field field, const QString &text);
    void store(Field field);
    void showBaudRate();
    void calcBitTiming();
    void computeEmptySegment(int empties);
    void rebuildBtr0();
    void rebuildBtr1();

    std::array<QString, kFieldCount> m_text;
    int m_btr0 = 0;
    int m_btr1 = 0;
    int m_brp = 0;
    int m_sjw = 0;
    int m_tseg1 = 0;
    int m_tseg2 = 0;
    float m_tq = 0;
    float m_bitTime = 0;
    qint32 m_baud = 0;
    float m_tsjw = 0;
};

} // namespace korvo
