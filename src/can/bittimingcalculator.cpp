#include "can/bittimingcalculator.h"

#include "can/cantext.h"

#include <cmath>
#include <limits>
#include <optional>

namespace korvo {

namespace {
// The controller's 20 MHz clock behind a fixed divider of 2: one quantum is (BRP + 1) x 100 ns.
constexpr double kClockPeriod = 5e-8;
constexpr double kDivider = 2.0;

using F = BitTimingCalculator::Field;

// round-half-even into a 16-bit field; empty when the value does not fit.
std::optional<int> toInt16(double value)
{
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded < -32768 || rounded > 32767)
        return std::nullopt;
    return int(rounded);
}

// Int(Val(text)) when the text holds a number that fits 16 bits.
std::optional<int> typedInteger(const QString &text)
{
    const std::optional<double> value = leadingNumber(text);
    if (!value || *value < -32768 || *value >= 32768)
        return std::nullopt;
    return int(std::floor(*value));
}

float quantumOf(int brp)
{
    return float(kDivider * (brp + 1) * kClockPeriod);
}
} // namespace

void BitTimingCalculator::load(int btr0, int btr1)
{
    m_btr0 = btr0 & 0xFF;
    m_btr1 = btr1 & 0xFF;
    setText(F::Brp, QString::number(m_btr0 & 63));
    setText(F::Sjw, QString::number((m_btr0 & 192) / 64));
    setText(F::Tseg1, QString::number(m_btr1 & 15));
    setText(F::Tseg2, QString::number((m_btr1 & 112) / 16));
    setText(F::Btr0, hexPad(m_btr0));
    setText(F::Btr1, hexPad(m_btr1));
    setText(F::BaudRate, {});
    setText(F::BitTime, {});
    setText(F::Tsjw, {});
    calcBitTiming();
}

void BitTimingCalculator::edit(Field field, const QString &text)
{
    setText(field, text);
}

void BitTimingCalculator::setText(Field field, const QString &text)
{
    m_text[index(field)] = text;
    store(field);
}

void BitTimingCalculator::store(Field field)
{
    const double value = leadingNumber(text(field)).value_or(0.0);
    switch (field) {
    case F::BaudRate:
        m_baud = qint32(std::clamp(std::nearbyint(value * 1000.0), double(std::numeric_limits<qint32>::min()),
                                   double(std::numeric_limits<qint32>::max())));
        break;
    case F::BitTime:
        m_bitTime = float(value / 1e6);
        break;
    case F::Brp:
        m_brp = toInt16(value).value_or(m_brp);
        break;
    case F::Sjw:
        m_sjw = toInt16(value).value_or(m_sjw);
        break;
    case F::Tseg1:
        m_tseg1 = toInt16(value).value_or(m_tseg1);
        break;
    case F::Tseg2:
        m_tseg2 = toInt16(value).value_or(m_tseg2);
        break;
    case F::Tsjw:
        m_tsjw = float(value / 1e6);
        break;
    case F::Btr0:
    case F::Btr1:
        break; // the registers change only on commit
    }
}

bool BitTimingCalculator::commit(Field field)
{
    if (isEmpty(field))
        return false;
    switch (field) {
    case F::BaudRate: {
        const std::optional<double> value = leadingNumber(text(field));
        const double baud = value ? std::nearbyint(*value * 1000.0) : 0.0;
        if (baud < 1 || baud > std::numeric_limits<qint32>::max())
            return false;
        m_baud = qint32(baud);
        m_bitTime = 1.0f / float(m_baud);
        break;
    }
    case F::BitTime: {
        const std::optional<double> value = leadingNumber(text(field));
        if (!value || *value <= 0)
            return false;
        const double baud = std::nearbyint(1e6 / *value);
        if (baud < 1 || baud > std::numeric_limits<qint32>::max())
            return false;
        m_bitTime = float(*value / 1e6);
        m_baud = qint32(baud);
        break;
    }
    case F::Brp:
    case F::Sjw: {
        const std::optional<int> v = typedInteger(text(field));
        const int top = field == F::Brp ? 63 : 3;
        if (!v || *v < 0 || *v > top)
            return false;
        (field == F::Brp ? m_brp : m_sjw) = *v;
        rebuildBtr0();
        calcBitTiming();
        return true;
    }
    case F::Tseg1:
    case F::Tseg2: {
        const std::optional<int> v = typedInteger(text(field));
        const int bottom = field == F::Tseg1 ? 2 : 1;
        const int top = field == F::Tseg1 ? 15 : 7;
        if (!v || *v < bottom || *v > top)
            return false;
        (field == F::Tseg1 ? m_tseg1 : m_tseg2) = *v;
        rebuildBtr1();
        calcBitTiming();
        return true;
    }
    case F::Tsjw: {
        const std::optional<double> v = leadingNumber(text(field));
        if (!v || *v < 2.0 || *v > 8.0)
            return false;
        m_tsjw = float(std::floor(*v) / 1e6);
        rebuildBtr0();
        calcBitTiming();
        return true;
    }
    case F::Btr0:
    case F::Btr1: {
        const std::optional<int> v = typedHexValue(text(field));
        if (!v || *v < 0 || *v > 255)
            return false;
        if (field == F::Btr0) {
            m_btr0 = *v;
            setText(F::Brp, QString::number(*v & 63));
            setText(F::Sjw, QString::number((*v & 192) / 64));
        } else {
            m_btr1 = *v;
            setText(F::Tseg1, QString::number(*v & 15));
            setText(F::Tseg2, QString::number((*v & 112) / 16));
        }
        setText(field, hexPad(*v));
        calcBitTiming();
        return true;
    }
    }
    // Baud rate and bit time: the two are shown, the registers stay.
    showBaudRate();
    calcBitTiming();
    return true;
}

void BitTimingCalculator::rebuildBtr0()
{
    m_btr0 = (m_sjw * 64 + m_brp) & 0xFF;
    setText(F::Btr0, hexPad(m_btr0));
}

void BitTimingCalculator::rebuildBtr1()
{
    m_btr1 = (m_tseg2 * 16 + m_tseg1) & 0x7F; // bit 7 is dropped whenever the register is rebuilt
    setText(F::Btr1, hexPad(m_btr1));
}

void BitTimingCalculator::showBaudRate()
{
    setText(F::BaudRate, formatPicture(double(m_baud) / 1000.0));
    setText(F::BitTime, formatPicture(double(m_bitTime) * 1e6));
}

void BitTimingCalculator::calcBitTiming()
{
    m_tq = 0;
    const int empties = (isEmpty(F::Brp) ? 4 : 0) + (isEmpty(F::Tseg1) ? 1 : 0) + (isEmpty(F::Tseg2) ? 2 : 0);
    if (!isEmpty(F::Brp)) {
        m_brp = toInt16(leadingNumber(text(F::Brp)).value_or(0.0)).value_or(m_brp);
        m_tq = quantumOf(m_brp);
    }
    if (empties == 0) {
        m_bitTime = float(m_tseg1 + 1) * m_tq + m_tq + float(m_tseg2 + 1) * m_tq;
        const double rate = m_bitTime > 0 ? std::floor(double(1.0f / m_bitTime)) : 0.0;
        m_baud = qint32(std::min(rate, double(std::numeric_limits<qint32>::max())));
        showBaudRate();
    } else if (empties == 1 || empties == 2 || empties == 4) {
        computeEmptySegment(empties);
    }

    if (m_tq <= 0)
        return;
    if (!isEmpty(F::Sjw)) {
        m_tsjw = float(m_sjw + 1) * m_tq;
        setText(F::Tsjw, formatPicture(double(m_tsjw) * 1e6));
    } else if (!isEmpty(F::Tsjw)) {
        if (const std::optional<int> sjw = toInt16(double(m_tsjw / m_tq) - 1.0))
            setText(F::Sjw, formatPicture(*sjw));
    }
}

void BitTimingCalculator::computeEmptySegment(int empties)
{
    // The one empty field follows from the current bit time; the registers are not rebuilt, the engineer
    // folds the result in by committing the field. A value that does not fit is not written.
    std::optional<int> value;
    Field field = F::Brp;
    if (empties == 1 && m_tq > 0) {
        field = F::Tseg1;
        value = toInt16(double((m_bitTime - float(m_tseg2 + 1) * m_tq - m_tq) / m_tq) - 1.0);
    } else if (empties == 2 && m_tq > 0) {
        field = F::Tseg2;
        value = toInt16(double((m_bitTime - float(m_tseg1 + 1) * m_tq - m_tq) / m_tq) - 1.0);
    } else if (empties == 4) {
        m_tq = m_bitTime / float((m_tseg1 + 1) + 1 + (m_tseg2 + 1));
        value = toInt16(double(m_tq) / (kDivider * kClockPeriod) - 1.0);
    }
    if (value)
        setText(field, QString::number(*value));
}

} // namespace korvo
