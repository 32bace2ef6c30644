// Any bytes either make a keyword list, in which every keyword line is found again in any letter case, or
// are refused with the line that is wrong.

#include "editor/keywordtable.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    KeywordTable table;
    QString error;
    if (!table.parse(content, &error)) {
        if (error.isEmpty() || table.size() != 0)
            std::abort();
        return 0;
    }
    for (QByteArray line : content.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!table.contains(line.constData(), line.size()) ||
            !table.contains(line.toUpper().constData(), line.size()))
            std::abort();
    }
    return 0;
}
