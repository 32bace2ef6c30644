// libFuzzer targets of the SPI converter's readers. fuzz_spiframeparser feeds any bytes to the simulated
// converter's frame reader; fuzz_spiversion feeds them to the program's version-reply judgement, as one
// reply and cut into pieces.

#include "sim/spiframeparser.h"
#include "spi/converterframes.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
#ifdef KORVO_FUZZ_VERSION
    const bool accepted = converterVersionAccepted(input);
    // Completeness only grows as pieces arrive, and the judgement of a whole reply does not depend on how
    // it was cut.
    bool complete = false;
    for (qsizetype cut = 0; cut <= input.size(); ++cut) {
        const bool now = versionReplyComplete(input.left(cut));
        if (complete && !now)
            std::abort();
        complete = now;
    }
    if (converterVersionAccepted(input) != accepted)
        std::abort();
#else
    SpiFrameParser parser;
    for (const char byte : input) {
        const std::optional<SpiFrameParser::Item> item = parser.take(byte);
        if (!item)
            continue;
        if (item->kind == SpiFrameParser::Item::Kind::Frame && item->bytes.size() > kMaxSpiMessage)
            std::abort();
        if (item->kind == SpiFrameParser::Item::Kind::Command &&
            item->bytes.size() > SpiFrameParser::kMaxCommand)
            std::abort();
    }
    // Whatever came before, a frame after a complete one is read whole.
    SpiFrameParser fresh;
    const QByteArray message = input.left(kMaxSpiMessage);
    std::optional<SpiFrameParser::Item> last;
    for (const char byte : converterMessageFrame(message))
        last = fresh.take(byte);
    if (!last || last->bytes != message)
        std::abort();
#endif
    return 0;
}
