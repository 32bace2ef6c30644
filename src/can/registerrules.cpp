#include "can/registerrules.h"

namespace korvo {

namespace {
// The cells the engineer may flip, as a bit mask.
int flippableCells(CanRegister reg, bool extended)
{
    switch (reg) {
    case CanRegister::Gms1:
        return 0xE0;
    case CanRegister::Lgml1:
        return 0xF8;
    case CanRegister::Uar1:
        return extended ? 0xFF : 0xE0;
    case CanRegister::Lar0:
        return extended ? 0xFF : 0x00;
    case CanRegister::Lar1:
        return extended ? 0xF8 : 0x00;
    default:
        return 0xFF;
    }
}
} // namespace

QString registerKey(CanRegister reg)
{
    static const char *const keys[] = {"GMS0",  "GMS1", "UGML0", "UGML1", "LGML0",
                                       "LGML1", "UAR0", "UAR1",  "LAR0",  "LAR1"};
    return QString::fromLatin1(keys[static_cast<int>(reg)]);
}

int typedRegisterValue(CanRegister reg, int value, bool extended)
{
    switch (reg) {
    case CanRegister::Gms1:
        return value | 31;
    case CanRegister::Uar1:
        return extended ? value : value & ~31;
    case CanRegister::Lar1:
        return value & ~7;
    default:
        return value;
    }
}

bool cellFlippable(CanRegister reg, int cell, bool extended)
{
    return cell >= 0 && cell <= 7 && (flippableCells(reg, extended) & (1 << cell)) != 0;
}

int clickRegisterCell(CanRegister reg, int value, int cell, bool extended)
{
    return cellFlippable(reg, cell, extended) ? value ^ (1 << cell) : value;
}

} // namespace korvo
