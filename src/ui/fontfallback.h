#pragma once

// The face a stored font family gets on this machine. A preferences file may name a family this machine
// does not have ("Lucida Console", "Courier New"); terminals and programs line up only in a fixed-pitch
// face, so they then get the system's. The stored name is left as it is.

#include <QFont>
#include <QString>

namespace korvo {

// The family itself when it is installed, else the system's fixed-pitch face.
QFont installedOrFixedPitch(const QString &family);

// The family to show for a stored one: the stored name when the machine has it, else the family its
// fixed-pitch face resolves to.
QString familyInUse(const QString &stored);

} // namespace korvo
