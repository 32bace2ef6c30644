#pragma once

// The acceptance-mask and arbitration registers of the mask and message-frame pages: which bits an
// identifier of each length leaves free, applied to typed values and to clicks on the bit cells.

#include <QString>

namespace korvo {

enum class CanRegister { Gms0, Gms1, Ugml0, Ugml1, Lgml0, Lgml1, Uar0, Uar1, Lar0, Lar1 };

// "GMS0" ... "LAR1"
QString registerKey(CanRegister reg);
// The value stored for a typed value (GMS1 keeps bits 4..0 set, LAR1 and 11-bit UAR1 clear their low bits).
int typedRegisterValue(CanRegister reg, int value, bool extended);
// Whether bit cell 0..7 may be clicked (LAR0 and LAR1 only in 29-bit frames).
bool cellFlippable(CanRegister reg, int cell, bool extended);
// The value after a click on cell: the bit flipped when the rule allows it, else unchanged.
int clickRegisterCell(CanRegister reg, int value, int cell, bool extended);

} // namespace korvo
