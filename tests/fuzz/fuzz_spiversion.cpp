// libFuzzer target of the SPI converter's version reply: a reply cut into pieces is complete no sooner
// than whole and stays complete as more arrives, and its judgement does not depend on how it was cut.

#include "spi/converterframes.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool accepted = converterVersionAccepted(input);
    bool complete = false;
    for (qsizetype cut = 0; cut <= input.size(); ++cut) {
        const bool now = versionReplyComplete(input.left(cut));
        if (complete && !now)
            std::abort();
        complete = now;
    }
    if (complete != versionReplyComplete(input) || converterVersionAccepted(input) != accepted)
        std::abort();
    return 0;
}
