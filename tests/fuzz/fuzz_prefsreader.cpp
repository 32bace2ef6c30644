// Any bytes must parse as a preferences file and fill the preferences document without a fault, and the
// ini-file model writes back what it read: its own output reads back to the same bytes.

#include "settings/inifile.h"
#include "settings/prefsfile.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const IniFile ini = IniFile::fromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    Preferences state;
    readPrefs(ini, state, size % 2 == 1);
    const QByteArray written = ini.toBytes();
    if (IniFile::fromBytes(written).toBytes() != written)
        std::abort();
    return 0;
}
