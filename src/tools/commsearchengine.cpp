#include "tools/commsearchengine.h"

namespace korvo {

namespace {
constexpr int kGatewaySettleMs = 200;
const QByteArray kBreak("\n*\x03\n", 4);
} // namespace

CommSearchEngine::CommSearchEngine(Options options)
    : m_options(options), m_probes(probes(options.device, options.tcp))
{
}

const std::array<SearchRate, 5> &CommSearchEngine::rates()
{
    static const std::array<SearchRate, 5> table = {{
        {9600, "96 ", "96,", "}02:96", 600, 60},
        {19200, "19 ", "19,", "}02:19", 250, 25},
        {38400, "38 ", "38,", "}02:38", 130, 13},
        {115200, "11 ", "11,", "}02:11", 70, 7},
        {4800, "48 ", "48,", "}02:48", 1500, 150},
    }};
    return table;
}

QList<QByteArray> CommSearchEngine::probes(DeviceType device, bool tcp)
{
    // Probes 3 and 4 are 1 and 2 with a marker character before their last line end.
    const auto marked = [](QByteArray probe, char marker) { return probe.insert(probe.size() - 1, marker); };
    if (device == UKorvo) {
        const QByteArray plain = "print baud 1,\" \",echo 1,\" \",bsy,\" \",ver\r";
        return {plain, "*print baud 1,\" \",echo 1,\" \",bsy,\" \",ver\n", plain, plain};
    }
    if (device == Veltor || device == Fendra) {
        const QByteArray first = tcp ? "\rpr em,\" \",by,\" \",vr\r" : "pr bd,\" \",em,\" \",by,\" \",vr\r";
        const QByteArray second =
            tcp ? "\r*pr em,\" \",by,\" \",vr\n" : "*pr bd,\" \",em,\" \",by,\" \",vr\n";
        return {first, second, marked(first, '\xEF'), marked(second, '\xC5')};
    }
    if (device == Norbel) {
        const QByteArray first = tcp ? "pr em,vr\r" : "pr bd,em,vr\r";
        const QByteArray second = tcp ? "*pr em,vr\n" : "*pr bd,em,vr\n";
        return {first, second, marked(first, '\xEF'), marked(second, '\xFC')};
    }
    return {};
}

QString CommSearchEngine::printable(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes) {
        const uchar code = uchar(c);
        if (code >= 32 && code <= 127)
            text += QLatin1Char(c);
        else if (code != 0)
            text += QStringLiteral("<%1>").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

void CommSearchEngine::start(qint64 nowMs)
{
    if (m_options.searchOnce)
        find(nowMs);
}

void CommSearchEngine::log(const QString &text, int colour)
{
    emitLine(text, colour);
    ++m_pieces;
}

void CommSearchEngine::find(qint64 nowMs)
{
    if (isFinished() || isSearching())
        return;
    m_stopRequested = false;
    m_foundRate = 0;
    m_foundPiece = -1;
    m_foundReply.clear();
    m_pieces = 0;
    m_rate = 0;
    if (m_probes.isEmpty()) {
        // Nothing to ask a device of this type: nothing is sent and nothing is found.
        endSearch();
        return;
    }
    startRate(nowMs);
}

void CommSearchEngine::stop()
{
    if (isSearching())
        m_stopRequested = true;
}

void CommSearchEngine::startRate(qint64 nowMs)
{
    if (m_stopRequested || m_rate >= int(rates().size()))
        return endSearch();
    m_rateSectionPiece = m_pieces;
    log(QStringLiteral("BAUD RATE = "));
    log(QString::number(rate().baud) + QStringLiteral("\r\n\r\n"), Navy);
    if (m_options.tcp)
        send(rate().gatewayCode);
    else
        changeSettings(QString::number(rate().baud) + QStringLiteral(",n,8,1"));
    m_probe = 0;
    startProbe(nowMs);
}

void CommSearchEngine::startProbe(qint64 nowMs)
{
    if (m_stopRequested)
        return endSearch();
    emitProgress(qint64(m_rate) * m_probes.size() + m_probe, qint64(rates().size()) * m_probes.size());
    send(kBreak);
    m_state = State::Breaking;
    setDeadline(nowMs + m_options.ctlCDelayMs);
}

void CommSearchEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    (void)nowMs;
    if (isSearching())
        m_input += data;
}

void CommSearchEngine::timerFired(qint64 nowMs)
{
    clearDeadline();
    switch (m_state) {
    case State::Breaking:
        m_input.clear();
        if (m_options.tcp) {
            m_state = State::Discarding;
            setDeadline(nowMs + kGatewaySettleMs);
            return;
        }
        [[fallthrough]];
    case State::Discarding: {
        m_input.clear();
        const QByteArray &probe = m_probes.at(m_probe);
        log(QStringLiteral("Sent: "));
        log(printable(probe) + QStringLiteral("\r\n"), Green);
        send(m_probe % 2 == 1 ? QByteArray("\n") + probe : probe);
        m_state = State::Replying;
        setDeadline(nowMs + (m_options.device == UKorvo ? rate().replyWaitType1 : rate().replyWaitOther));
        return;
    }
    case State::Replying:
        log(QStringLiteral("Rcvd: "));
        if (m_options.tcp) {
            // A gateway forwards the reply in its own time: give it 200 ms more. What it already forwarded
            // during the reply wait is kept, so a quick gateway is not mistaken for a silent controller.
            m_state = State::Collecting;
            setDeadline(nowMs + kGatewaySettleMs);
            return;
        }
        takeReply(nowMs);
        return;
    case State::Collecting:
        takeReply(nowMs);
        return;
    case State::Idle:
        return;
    }
}

void CommSearchEngine::takeReply(qint64 nowMs)
{
    const QByteArray received = std::exchange(m_input, {});
    const QString reply = printable(received);
    if (reply.isEmpty()) {
        log(QStringLiteral("No Response\r\n\r\n"), DarkRed);
    } else {
        const QString expected = QLatin1String(m_options.tcp                ? "NB"
                                               : m_options.device == Norbel ? rate().codeType6
                                                                            : rate().code);
        const bool match = !reply.contains(QLatin1String("<FF>")) && reply.contains(expected);
        if (match && m_foundRate == 0) {
            m_foundRate = rate().baud;
            m_foundPiece = m_rateSectionPiece;
            // Of a reply with echoes and prompts, the line that carries the code is the device's answer.
            for (const QByteArray &line : received.split('\n')) {
                const QString text = printable(line.trimmed());
                if (text.contains(expected)) {
                    m_foundReply = text;
                    break;
                }
            }
        }
        log(reply + QStringLiteral("\r\n\r\n"), match ? Blue : Navy);
    }
    nextProbe(nowMs);
}

void CommSearchEngine::nextProbe(qint64 nowMs)
{
    if (++m_probe < m_probes.size())
        return startProbe(nowMs);
    ++m_rate;
    startRate(nowMs);
}

void CommSearchEngine::writeFailed(const QString &reason, qint64 nowMs)
{
    skipRate(QStringLiteral("Comm Error: ") + reason, nowMs);
}

void CommSearchEngine::linkFailed(int number, const QString &description, const QString &reason, qint64 nowMs)
{
    // Between searches the line is simply gone, as for any dialogue.
    if (!isSearching())
        return linkLost(reason, nowMs);
    skipRate(QStringLiteral("Comm Error: %1 : %2").arg(number).arg(description), nowMs);
}

void CommSearchEngine::skipRate(const QString &error, qint64 nowMs)
{
    if (!isSearching())
        return;
    // The rest of this rate would fail the same way: say so once and go on with the next rate.
    emitStatus(error);
    clearDeadline();
    m_input.clear();
    ++m_rate;
    startRate(nowMs);
}

void CommSearchEngine::endSearch()
{
    m_state = State::Idle;
    clearDeadline();
    // The last line says what the search came to.
    if (m_foundRate != 0)
        log(QStringLiteral("Found %1 baud; the device answered: %2\r\n").arg(m_foundRate).arg(m_foundReply),
            Blue);
    else
        log(QStringLiteral("No rate answered.\r\n"), DarkRed);
    emitProgress(qint64(rates().size()) * std::max<qsizetype>(1, m_probes.size()),
                 qint64(rates().size()) * std::max<qsizetype>(1, m_probes.size()));
    if (m_options.searchOnce)
        finish();
}

qint64 CommSearchEngine::estimatedMsLeft(qint64 probesDone) const
{
    const qsizetype perRate = m_probes.size();
    qint64 ms = 0;
    for (qint64 k = probesDone; k < qint64(rates().size()) * perRate; ++k) {
        const SearchRate &r = rates()[size_t(k / perRate)];
        ms += m_options.ctlCDelayMs + (m_options.device == UKorvo ? r.replyWaitType1 : r.replyWaitOther) +
              (m_options.tcp ? 2 * kGatewaySettleMs : 0);
    }
    return ms;
}

void CommSearchEngine::accept()
{
    if (m_options.tcp && m_foundRate != 0)
        for (const SearchRate &r : rates())
            if (r.baud == m_foundRate)
                send(r.gatewayCode);
}

} // namespace korvo
