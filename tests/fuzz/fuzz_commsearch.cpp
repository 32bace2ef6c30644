// libFuzzer target of the baud finder's reply reading: the input, split at 0xFE bytes, is what the device
// answers to each probe in turn. The search ends after the last rate; a rate is found only from a reply
// logged as a match (blue) in that rate's section, and every logged reply is printable text.

#include "tools/commsearchengine.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

namespace {

const QByteArray kBreak("\n*\x03\n", 4);

bool isProbe(const LinkAction &action)
{
    return action.kind == LinkAction::Kind::Write && action.bytes != kBreak &&
           (action.bytes.endsWith('\r') || action.bytes.endsWith('\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static constexpr DeviceType kDevices[] = {UKorvo, Veltor, Fendra, Norbel};
    const bool tcp = data[0] & 4;
    CommSearchEngine engine({kDevices[data[0] & 3], tcp, 1500, true});
    const QList<QByteArray> replies =
        QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)).split('\xFE');

    std::vector<EngineEvent::Line> lines;
    qsizetype reply = 0;
    qint64 now = 0;
    engine.start(now);
    // Five rates of four probes, each at most three waits.
    for (int step = 0; step < 100 && !engine.isFinished(); ++step) {
        for (const LinkAction &action : engine.takeOutput())
            if (isProbe(action) && reply < replies.size())
                engine.bytesReceived(replies.at(reply++), now);
        const std::optional<qint64> deadline = engine.nextDeadline();
        if (!deadline)
            break;
        now = *deadline;
        engine.timerFired(now);
        for (const EngineEvent &event : engine.takeEvents())
            if (const auto *line = event.as<EngineEvent::Line>())
                lines.push_back(*line);
    }
    if (!engine.isFinished())
        std::abort();

    int sectionRate = 0;
    int firstMatchRate = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const EngineEvent::Line &line = lines[i];
        for (const QChar c : line.text)
            if (c.unicode() > 127 || (c.unicode() < 32 && c != QLatin1Char('\r') && c != QLatin1Char('\n')))
                std::abort();
        if (i > 0 && lines[i - 1].text == QLatin1String("BAUD RATE = "))
            sectionRate = line.text.trimmed().toInt();
        if (line.style == CommSearchEngine::Blue && firstMatchRate == 0)
            firstMatchRate = sectionRate;
    }
    if (engine.foundRate() != firstMatchRate)
        std::abort();
    return 0;
}
