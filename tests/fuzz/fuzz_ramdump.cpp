// Any text a controller prints for a RAM read: the rows taken from it are a piece of it, no more rows
// than the count needs, and marking changes splits a dump into runs without losing a character.

#include "tools/ramdump.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose the byte count and the address box, the rest is what was printed.
    const int count = data[0];
    const QString address = QString::number(data[1] * 16, 16);
    const QByteArray printed(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const QString dump = ramdump::extract(printed, address, count);
    // The rows start at the requested address, found in any letter case.
    const QString padded = address.rightJustified(4, QLatin1Char('0'));
    if (!QString::fromLatin1(printed).contains(dump) ||
        (!dump.isEmpty() && !dump.startsWith(padded, Qt::CaseInsensitive)))
        std::abort();
    if (dump.split(QStringLiteral("\r\n")).size() > std::max(1, (count + 15) / 16))
        std::abort();
    const QString previous = QString::fromLatin1(printed).left(dump.size());
    QString joined;
    bool lastChanged = false;
    const std::vector<DumpRun> runs = ramdump::mark(dump, previous, count % 2 == 0);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].text.isEmpty() || (i > 0 && runs[i].changed == lastChanged))
            std::abort();
        lastChanged = runs[i].changed;
        joined += runs[i].text;
    }
    if (joined != dump || ramdump::header(count).size() > ramdump::header(16).size())
        std::abort();
    return 0;
}
