// libFuzzer targets for the preferences reader. fuzz_prefsreader: any bytes must parse and fill the
// application state without a fault. fuzz_prefsroundtrip: besides, whatever the program writes from them
// must read back to the same file.

#include "settings/inifile.h"
#include "settings/prefsfile.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const IniFile ini = IniFile::fromBytes(input);
    AppState first;
    first.factory = size % 2 == 1;
    readPrefs(ini, first);

#ifdef KORVO_FUZZ_ROUND_TRIP
    const QByteArray written = ini.toBytes();
    if (IniFile::fromBytes(written).toBytes() != written)
        std::abort();

    const QByteArray saved = prefsImage(first).toBytes();
    AppState second;
    second.factory = first.factory;
    readPrefs(IniFile::fromBytes(saved), second);
    if (prefsImage(second).toBytes() != saved)
        std::abort();
#endif
    return 0;
}
