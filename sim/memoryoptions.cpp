#include "sim/memoryoptions.h"

#include "transfer/listingreader.h"

#include <QFile>

namespace korvo {

void MemoryOptions::addTo(QCommandLineParser &parser)
{
    parser.addOptions({m_memory, m_empty, m_corruptHmiBlock, m_wireRate});
}

std::unique_ptr<MemoryResponder> MemoryOptions::responder(const QCommandLineParser &parser,
                                                          ControllerSim &controller, QString *error) const
{
    const DeviceType device = controller.device();
    DeviceMemory memory =
        parser.isSet(m_empty) || parser.isSet(m_memory) ? DeviceMemory(device) : DeviceMemory::demo(device);
    if (parser.isSet(m_memory)) {
        QFile file(parser.value(m_memory));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
            return nullptr;
        }
        QList<QByteArray> lines;
        if (!ListingReader::splitLines(file.readAll(), &lines, error)) {
            *error = file.fileName() + QStringLiteral(": ") + *error;
            return nullptr;
        }
        // The listing is taken as a download would send it.
        for (const QByteArray &line : std::as_const(lines))
            memory.apply(line);
    }
    auto responder = std::make_unique<MemoryResponder>(controller, std::move(memory));
    if (parser.isSet(m_corruptHmiBlock))
        responder->setCorruptHmiBlock(parser.value(m_corruptHmiBlock).toInt());
    return responder;
}

int MemoryOptions::wireRate(const QCommandLineParser &parser) const
{
    return parser.isSet(m_wireRate) ? parser.value(m_wireRate).toInt() : 0;
}

} // namespace korvo
