// Whatever the program reads from any bytes, it writes a file that reads back to the same file, and the
// ini-file model writes back what it read.

#include "settings/inifile.h"
#include "settings/prefsfile.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const IniFile ini = IniFile::fromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QByteArray written = ini.toBytes();
    if (IniFile::fromBytes(written).toBytes() != written)
        std::abort();

    AppState first;
    first.factory = size % 2 == 1;
    readPrefs(ini, first);
    const QByteArray saved = prefsImage(first).toBytes();
    AppState second;
    second.factory = first.factory;
    readPrefs(IniFile::fromBytes(saved), second);
    if (prefsImage(second).toBytes() != saved)
        std::abort();
    return 0;
}
