// libFuzzer target for the listing reader: any bytes must split, select and decode without a fault, a
// selection holds only lines of the listing, and every HMI data line reads back to the same bytes after
// it is written again.

#include "transfer/hmiblockcodec.h"
#include "transfer/listingreader.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QList<QByteArray> lines;
    QString error;
    if (!ListingReader::splitLines(input, &lines, &error))
        return 0;
    for (const QByteArray &line : std::as_const(lines))
        if (line.contains('\r') || line.contains('\n') || line.size() > ListingReader::kMaxLineLength)
            std::abort();
    const auto device = static_cast<DeviceType>(size > 0 ? 1 + data[0] % 6 : Veltor);
    for (int sections = 0; sections < 8; ++sections) {
        const ListingReader::Selection selection = ListingReader::select(lines, device, sections);
        if (selection.lines.size() > lines.size() || (selection.found & ~sections) != 0)
            std::abort();
    }
    for (const QByteArray &line : std::as_const(lines)) {
        const auto decoded = HmiBlockCodec::parseLine(line);
        if (!decoded)
            continue;
        for (const auto kind : {HmiBlockCodec::Kind::Program, HmiBlockCodec::Kind::Parameters}) {
            const auto again =
                HmiBlockCodec::parseLine(HmiBlockCodec::renderLine(kind, decoded->address, decoded->bytes));
            if (!again || again->bytes != decoded->bytes || again->address != decoded->address)
                std::abort();
        }
    }
    return 0;
}
