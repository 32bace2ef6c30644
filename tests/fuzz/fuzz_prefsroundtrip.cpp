// Whatever the program reads from any bytes, it writes a file that reads back to the same file. All in
// memory: the same image the preferences file is written from and read into.

#include "settings/inifile.h"
#include "settings/prefsfile.h"

#include <QSet>
#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const bool factory = size % 2 == 1;
    Preferences first;
    readPrefs(IniFile::fromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))), first,
              factory);
    const QByteArray saved = prefsImage(first, QString(), factory).toBytes();
    // Most inputs differ from one seen before only where the reader ignores them (comments, unknown keys,
    // out-of-range values), so they write a file already checked; reading and writing depend on nothing
    // but the file and the factory mode, so each such file is read back once. The set is bounded.
    static QSet<QByteArray> checked;
    const QByteArray key = saved + (factory ? '1' : '0');
    if (checked.contains(key))
        return 0;
    Preferences second;
    readPrefs(IniFile::fromBytes(saved), second, factory);
    if (prefsImage(second, QString(), factory).toBytes() != saved)
        std::abort();
    if (checked.size() >= 8000)
        checked.clear();
    checked.insert(key);
    return 0;
}
