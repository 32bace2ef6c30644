// libFuzzer target of the simulated SPI converter's frame reader: from any bytes no frame or command is
// longer than its limit, and the same bytes framed as a message are read back whole.

#include "sim/spiframeparser.h"
#include "spi/converterframes.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
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
    const QByteArray message = input.left(kMaxSpiMessage);
    SpiFrameParser fresh;
    std::optional<SpiFrameParser::Item> last;
    for (const char byte : converterMessageFrame(message))
        last = fresh.take(byte);
    if (!last || last->bytes != message)
        std::abort();
    return 0;
}
