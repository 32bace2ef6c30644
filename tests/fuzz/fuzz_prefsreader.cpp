// Any bytes must parse as a preferences file and fill the application state without a fault.

#include "settings/inifile.h"
#include "settings/prefsfile.h"

#include <cstdint>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const IniFile ini = IniFile::fromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    AppState state;
    state.factory = size % 2 == 1;
    readPrefs(ini, state);
    return 0;
}
