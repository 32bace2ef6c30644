#pragma once

// Names of sections and keys match by their case folding (QString::toCaseFolded): "Setup", "SETUP" and
// "setup" are one name. Nearly every name is ASCII, where folding is lower-casing: such names are hashed and
// compared four characters at a time without a folded copy; only a name with another character is folded
// whole.

#include <QLatin1StringView>
#include <QStringView>
#include <cstddef>

namespace korvo {

// Equal for names that fold to the same text, in either type.
std::size_t foldedNameHash(QStringView name);
std::size_t foldedNameHash(QLatin1StringView name);
bool sameFoldedName(QStringView a, QStringView b);
bool sameFoldedName(QStringView a, QLatin1StringView b);

} // namespace korvo
