// libFuzzer target for the configuration reports: any bytes, as a GETcfg reply split where the input says
// and as a RECALL reply, must be read without a fault and leave every register within a byte.

#include "can/canconfigparser.h"
#include "can/replycollector.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype cut = size > 0 ? data[0] % (input.size() + 1) : 0;

    ReplyCollector collector(ReplyCollector::Lines, 36);
    collector.take(input.left(cut));
    collector.take(input.mid(cut));
    CanRecord adapter;
    if (parseGetCfg(collector.lines(), collector.linesFilled(), adapter)) {
        for (const int16_t reg :
             {adapter.btr0, adapter.btr1, adapter.gms0, adapter.lgml1, adapter.uar0[1], adapter.lar1[0]})
            if (reg < 0 || reg > 255)
                std::abort();
    }

    CanRecord module;
    int charDelay = 0;
    if (parseRecall("RECALL\r\n" + input, module, charDelay) && (module.btr0 < 0 || module.btr0 > 255))
        std::abort();
    return 0;
}
