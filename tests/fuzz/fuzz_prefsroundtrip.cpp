// Whatever the program reads from any bytes, it writes a file that reads back to the same file. All in
// memory: the same image the preferences file is written from and read into.

#include "settings/inifile.h"
#include "settings/prefsfile.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    AppState first;
    first.factory = size % 2 == 1;
    readPrefs(IniFile::fromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))), first);
    const QByteArray saved = prefsImage(first).toBytes();
    AppState second;
    second.factory = first.factory;
    readPrefs(IniFile::fromBytes(saved), second);
    if (prefsImage(second).toBytes() != saved)
        std::abort();
    return 0;
}
