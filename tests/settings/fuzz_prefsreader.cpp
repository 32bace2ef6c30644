// libFuzzer target for the preferences reader: any bytes must parse without a fault, and whatever the
// program writes from them must read back to the same file.

#include "settings/inifile.h"
#include "settings/prefsfile.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    const QByteArray written = IniFile::fromBytes(input).toBytes();
    if (IniFile::fromBytes(written).toBytes() != written)
        std::abort();

    AppState first;
    first.factory = size % 2 == 1;
    readPrefs(IniFile::fromBytes(input), first);
    const QByteArray saved = prefsImage(first).toBytes();
    AppState second;
    second.factory = first.factory;
    readPrefs(IniFile::fromBytes(saved), second);
    if (prefsImage(second).toBytes() != saved)
        std::abort();
    return 0;
}
