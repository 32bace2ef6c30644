// Any command text with caret escapes becomes steps that each either send bytes or pause for a time the
// controller accepts, and never send more than the text holds.

#include "tools/carettext.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype sent = 0;
    for (const CaretStep &step : parseCaretText(text)) {
        if (step.pauseMs < 0 || step.pauseMs > kMaxCaretPauseMs ||
            (!step.bytes.isEmpty() && step.pauseMs != 0))
            std::abort();
        sent += step.bytes.size();
    }
    if (sent > text.size())
        std::abort();
    return 0;
}
