#include "transfer/uploadengine.h"

#include "app/cp1252.h"
#include "app/devicecatalogue.h"

#include <bit>

namespace korvo {

namespace {
constexpr qsizetype kMaxLine = 64 * 1024; // a longer run without LF is noise: it is taken as a line
constexpr int kRegisterBlocks = 16;
// Readings of one command that may go wrong (no echo, a wrong one, "?", a bad check byte) before the job
// gives up, and readings beyond those asked for before it gives up on enough in a row agreeing.
constexpr int kTries = 4;
constexpr int kExtraReadings = 3;
// 926Q blocks of 100 cells: programs up to block 17 (then 1700-1790), the non-volatile memory up to block
// 20 (then 2000-2047).
constexpr int kProgramBlocks = 17;
constexpr int kNvmBlocks = 20;
const char *const kRegisterCommands[kRegisterBlocks] = {
    "[1986", "[1987", "[1988 1", "[1990 1", "[1992 3", "[1996 1", "[1998", "[1999 1",
    "[2001", "[2002", "[2004",   "[2006 1", "[2011 1", "[2016 1", "[2018", "[2019"};

QByteArray hmiCommand(int block)
{
    return '\x1b' + QByteArray::number(32 * (block - 1)) + 'J';
}

QByteArray bytesOf(const QString &text)
{
    return encodeCp1252(text).value_or(text.toLatin1());
}

// "Uploading VARIABLES" for the header "'[VARIABLES]".
QString uploadingStatus(const QByteArray &header)
{
    return QStringLiteral("Uploading ") +
           QString::fromLatin1(header).remove(QStringLiteral("'[")).remove(u']').trimmed();
}
} // namespace

int UploadEngine::sectionsOf(DeviceType device)
{
    const bool noFlags =
        device == DeviceType::Veltor || device == DeviceType::Fendra || device == DeviceType::Norbel;
    return noFlags ? TransferRequest::Variables | TransferRequest::Programs : 7;
}

UploadEngine::UploadEngine(TransferRequest request)
    : m_request(std::move(request)), m_formatter(m_request.device), m_formatterBefore(m_request.device)
{
}

int UploadEngine::plannedCommands(int sections) const
{
    int total = 0;
    for (const int bit : {TransferRequest::Variables, TransferRequest::Flags, TransferRequest::Programs}) {
        if (!(sections & bit))
            continue;
        if (m_request.device == DeviceType::Hmi)
            total += bit == TransferRequest::Variables ? 48 : bit == TransferRequest::Flags ? 16 : 128;
        else if (m_request.device == DeviceType::Q926)
            total += bit == TransferRequest::Variables ? 1
                     : bit == TransferRequest::Flags   ? 1 + kRegisterBlocks
                                                       : 1 + kProgramBlocks;
        else
            total += 1;
    }
    return readings() * total;
}

void UploadEngine::start(qint64 nowMs)
{
    m_lastByteMs = nowMs;
    m_requested = m_request.sections & sectionsOf(m_request.device);
    // Nothing ticked: the programs, and on a 926Q its whole non-volatile memory, which holds them too.
    if (m_requested == 0 && m_request.device == DeviceType::Q926) {
        m_commandsPlanned = readings() * (1 + kNvmBlocks);
        m_sectionCount = 1;
        startNvm();
    } else {
        if (m_requested == 0)
            m_requested = TransferRequest::Programs;
        m_commandsPlanned = plannedCommands(m_requested);
        m_sectionCount = std::popcount(unsigned(m_requested));
        nextSection();
    }
    setDeadline(nowMs + m_intervalMs);
}

bool UploadEngine::nextSection()
{
    int bit = 0;
    for (const int candidate :
         {TransferRequest::Variables, TransferRequest::Flags, TransferRequest::Programs}) {
        if (m_requested & candidate) {
            bit = candidate;
            break;
        }
    }
    if (bit == 0)
        return false;
    m_requested &= ~bit;
    m_current = bit;
    ++m_sectionNumber;
    m_formatter.setSection(bit);
    m_formatter.setSubState(0);
    const DeviceType device = m_request.device;
    const bool programs = bit == TransferRequest::Programs;
    const QByteArray header = device == DeviceType::Q926
                                  ? ListingFormatter::header926Q(bit, bit == TransferRequest::Flags ? 0 : 1)
                                  : ListingFormatter::header(device, bit);
    emitStatus(uploadingStatus(header));
    switch (device) {
    case DeviceType::UKorvo:
        m_sequence = false;
        if (programs)
            m_formatter.setSubState(1);
        sendCommand(bit == TransferRequest::Variables ? QByteArray("print vars")
                    : bit == TransferRequest::Flags   ? QByteArray("print flags")
                                                      : "list " + bytesOf(m_request.programName),
                    header);
        break;
    case DeviceType::Q926:
        m_sequence = bit != TransferRequest::Variables;
        m_block = 1;
        sendCommand(bit == TransferRequest::Variables ? QByteArray("[1792 101")
                    : bit == TransferRequest::Flags   ? QByteArray("[1985")
                                                      : QByteArray("[0 99"),
                    header);
        break;
    case DeviceType::Hmi:
        m_sequence = true;
        m_block = bit == TransferRequest::Variables ? 129 : bit == TransferRequest::Flags ? 177 : 1;
        m_lastBlock = bit == TransferRequest::Variables ? 176 : bit == TransferRequest::Flags ? 192 : 128;
        sendCommand(hmiCommand(m_block), {});
        break;
    default:
        m_sequence = false;
        if (programs)
            m_formatter.setSubState(1);
        sendCommand(programs ? QByteArray("l") : QByteArray("pr al"), header);
    }
    return true;
}

void UploadEngine::startNvm()
{
    m_current = 0;
    m_sectionNumber = 1;
    m_formatter.setSection(0);
    m_formatter.setSubState(0);
    m_sequence = true;
    m_block = 1;
    const QByteArray header = ListingFormatter::header926Q(0, 1);
    emitStatus(uploadingStatus(header));
    sendCommand("[0 99", header);
}

bool UploadEngine::nextBlock()
{
    if (m_request.device == DeviceType::Hmi) {
        if (m_block >= m_lastBlock) {
            m_sequence = false;
            return false;
        }
        ++m_block;
        sendCommand(hmiCommand(m_block), {});
        return true;
    }
    if (m_current != TransferRequest::Flags) {
        // Program or non-volatile blocks of 100 cells, then the shorter tail block.
        const bool programs = m_current == TransferRequest::Programs;
        if (m_block < (programs ? kProgramBlocks : kNvmBlocks)) {
            sendCommand("[" + QByteArray::number(100 * m_block) + " 99",
                        ListingFormatter::header926Q(m_current, m_block + 1));
            ++m_block;
        } else {
            sendCommand(programs ? QByteArray("[1700 90") : QByteArray("[2000 47"),
                        ListingFormatter::header926Q(m_current, 0));
            m_sequence = false;
        }
        return true;
    }
    if (m_block > kRegisterBlocks) {
        m_sequence = false;
        return false;
    }
    sendCommand(kRegisterCommands[m_block - 1], ListingFormatter::header926Q(m_current, m_block));
    ++m_block;
    return true;
}

void UploadEngine::sendCommand(const QByteArray &command, QByteArray header)
{
    m_sent = bytesOf(m_request.deviceAddress) + command + m_request.lineEnd();
    m_command = command;
    m_pendingHeader = std::move(header);
    m_formatterBefore = m_formatter;
    m_tries = 0;
    m_readings = 0;
    m_agreeing = 0;
    m_lastReading.clear();
    m_difference.clear();
    m_intervalMs = replyTimeMs(m_request.timing, int(m_sent.size()), 500);
    askAgain();
    // The commands before this one have had their answers.
    emitProgress(m_commandsSent, std::max(m_commandsSent + 1, m_commandsPlanned));
    ++m_commandsSent;
}

void UploadEngine::askAgain()
{
    m_formatter = m_formatterBefore;
    m_buffer.clear();
    m_echoSeen = false;
    m_headerHeld = false;
    m_given = false;
    m_hmiBlockTaken = false;
    m_problem.clear();
    m_reply.clear();
    // Send_Transfer_Line: no line pause after a command.
    sendPacedChars(m_sent);
}

void UploadEngine::outputWritten(qint64 nowMs)
{
    if (!isFinished())
        setDeadline(nowMs + m_intervalMs);
}

void UploadEngine::cancel(qint64 nowMs)
{
    if (isFinished() || m_drain == Drain::Reading) {
        if (m_drain == Drain::Reading)
            m_drain = Drain::Stopped;
        EngineBase::cancel(nowMs);
        return;
    }
    m_drain = Drain::Reading;
    emitStatus(QStringLiteral("Cancelled: reading the rest of the device's answer until it is silent"));
    m_drainEndMs = nowMs + std::max(kDrainLimitMs, m_intervalMs);
    setDeadline(nowMs + m_intervalMs);
}

void UploadEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    if (isFinished())
        return;
    m_bytesIn += data.size();
    m_lastByteMs = nowMs;
    if (m_drain == Drain::Reading) {
        setDeadline(std::min(nowMs + m_intervalMs, m_drainEndMs));
        return;
    }
    setDeadline(nowMs + m_intervalMs);
    m_buffer += data;
    if (m_request.device == DeviceType::Hmi) {
        collectHmiBlock();
        return;
    }
    qsizetype from = 0;
    for (qsizetype lf = m_buffer.indexOf('\n'); lf >= 0; lf = m_buffer.indexOf('\n', from)) {
        collectLine(m_buffer.mid(from, lf - from));
        from = lf + 1;
    }
    m_buffer.remove(0, from);
    if (m_buffer.size() > kMaxLine)
        collectLine(std::exchange(m_buffer, QByteArray()));
}

void UploadEngine::collectLine(const QByteArray &line)
{
    if (!m_problem.isEmpty())
        return; // the rest of a spoilt reading is dropped; the command is asked again
    // Every line of these devices ends in CR LF: a line without its CR, or with a CR inside it, lost a line
    // end or got one, and is no line the device sent.
    if (line.indexOf('\r') != line.size() - 1) {
        m_problem = QStringLiteral("a reply line came with a damaged line end");
        return;
    }
    const QByteArray text = line.chopped(1);
    if (!m_echoSeen) {
        // The device's echo of the command becomes the section header. What comes before the command
        // is the device's prompt (or address); a differing command is not the one sent.
        if (!text.endsWith(m_command)) {
            m_problem = QStringLiteral("the device echoed \"%1\" to \"%2\"")
                            .arg(decodeCp1252(text.constData(), text.size()),
                                 decodeCp1252(m_command.constData(), m_command.size()));
            return;
        }
        m_echoSeen = true;
        m_headerHeld = true;
        return;
    }
    if (text.trimmed() == "?") {
        m_problem = QStringLiteral("the device answered \"?\" to \"%1\"")
                        .arg(decodeCp1252(m_command.constData(), m_command.size()));
        return;
    }
    keepHeader();
    keep(m_formatter.format(line));
}

void UploadEngine::keepHeader()
{
    if (!std::exchange(m_headerHeld, false))
        return;
    if (m_current == TransferRequest::Programs && m_request.device != DeviceType::Q926)
        m_formatter.setSubState(m_request.device == DeviceType::UKorvo ? 2 : 3);
    keep(m_formatter.format(m_pendingHeader));
}

void UploadEngine::collectHmiBlock()
{
    // A block is 33 bytes and its line end; one per command.
    if (m_hmiBlockTaken || m_buffer.size() < HmiBlockCodec::kBlockBytes + 2)
        return;
    const QByteArray block = m_buffer.left(HmiBlockCodec::kBlockBytes);
    m_buffer.clear();
    m_hmiBlockTaken = true;
    if (!HmiBlockCodec::checkOk(block)) {
        m_problem = QStringLiteral("it failed its check");
        return;
    }
    const int first = m_current == TransferRequest::Variables ? 129
                      : m_current == TransferRequest::Flags   ? 177
                                                              : 1;
    if (m_block == first)
        keep({ListingFormatter::header(DeviceType::Hmi, m_current)});
    // Erased blocks are written too ("<empty>" bytes), so the listing holds every address that was read.
    const QByteArray data = block.left(HmiBlockCodec::kDataBytes);
    const auto kind = m_current == TransferRequest::Variables ? HmiBlockCodec::Kind::Registers
                      : m_current == TransferRequest::Flags   ? HmiBlockCodec::Kind::Parameters
                                                              : HmiBlockCodec::Kind::Program;
    keep({HmiBlockCodec::renderLine(kind, 32 * (m_block - first), data)});
}

void UploadEngine::keep(const QList<QByteArray> &lines)
{
    if (readings() > 1) {
        m_reply += lines;
        return;
    }
    m_given = m_given || !lines.isEmpty();
    store(lines);
}

void UploadEngine::store(const QList<QByteArray> &lines)
{
    for (const QByteArray &line : lines)
        emitLine(decodeCp1252(line.constData(), line.size()));
}

QString UploadEngine::stepName() const
{
    if (m_request.device == DeviceType::Hmi)
        return QStringLiteral("Block %1").arg(m_block);
    return QString::fromLatin1(m_pendingHeader).remove(QStringLiteral("'[")).remove(u']').trimmed();
}

bool UploadEngine::replyTaken(qint64 nowMs)
{
    const bool hmi = m_request.device == DeviceType::Hmi;
    const bool silent = m_problem.isEmpty() && !(hmi ? m_hmiBlockTaken : m_echoSeen);
    if (silent)
        m_problem = QStringLiteral("no answer to \"%1\"")
                        .arg(decodeCp1252(m_command.constData(), m_command.size()).trimmed());
    if (!m_problem.isEmpty()) {
        // An HMI block that fails its check is asked for again for as long as it takes (Cancel stops it):
        // the device is there and answering.
        const bool endless = hmi && !silent;
        // Lines already given out cannot be taken back: reading again would list them twice.
        if (m_given || (!endless && ++m_tries >= kTries)) {
            if (silent && !m_given) {
                // A device that never answers still gives a listing, of headers without data; what went
                // unanswered is told when the job ends.
                m_unanswered.append(
                    QStringLiteral("%1: %2 (asked %3 times)").arg(stepName(), m_problem).arg(kTries));
                m_headerHeld = !hmi;
                keepHeader();
                store(std::exchange(m_reply, {}));
                return true;
            }
            fail(m_given ? QStringLiteral("%1: %2 after part of it was listed").arg(stepName(), m_problem)
                         : QStringLiteral("%1: %2 (asked %3 times)").arg(stepName(), m_problem).arg(kTries));
            return false;
        }
        emitStatus(QStringLiteral("%1: %2; asking again").arg(stepName(), m_problem));
        askAgain();
        setDeadline(nowMs + m_intervalMs);
        return false;
    }
    // An echo and nothing after it: the section is empty, and has its header.
    keepHeader();
    if (readings() == 1)
        return true;
    // Readings in a row that agree; damage that happens to repeat a reading further back is not taken
    // for the reply.
    const bool same = m_readings > 0 && m_lastReading == m_reply;
    m_agreeing = same ? m_agreeing + 1 : 1;
    const int count = ++m_readings;
    if (!same && count > 1) {
        qsizetype line = 0;
        while (line < m_lastReading.size() && line < m_reply.size() && m_lastReading[line] == m_reply[line])
            ++line;
        const auto quoted = [](const QList<QByteArray> &lines, qsizetype at) {
            return at < lines.size() ? u'"' + decodeCp1252(lines[at].constData(), lines[at].size()) + u'"'
                                     : QStringLiteral("nothing");
        };
        m_difference = QStringLiteral("line %1 read %2, then %3")
                           .arg(line + 1)
                           .arg(quoted(m_lastReading, line), quoted(m_reply, line));
    }
    m_lastReading = m_reply;
    if (m_agreeing < readings()) {
        if (count >= readings() + kExtraReadings) {
            fail(QStringLiteral("%1: %2 readings, never %3 in a row alike; %4")
                     .arg(stepName())
                     .arg(count)
                     .arg(readings())
                     .arg(m_difference));
            return false;
        }
        // The readings asked for are steps of their own; further ones are not.
        if (count < readings()) {
            emitProgress(m_commandsSent, std::max(m_commandsSent + 1, m_commandsPlanned));
            ++m_commandsSent;
        } else {
            emitStatus(QStringLiteral("%1: the readings differ; reading again").arg(stepName()));
        }
        askAgain();
        setDeadline(nowMs + m_intervalMs);
        return false;
    }
    store(m_reply);
    return true;
}

void UploadEngine::timerFired(qint64 nowMs)
{
    if (isFinished())
        return;
    if (m_drain == Drain::Reading) {
        // Silent, or still sending when the limit came: either way the job has waited enough.
        m_drain = nowMs < m_drainEndMs ? Drain::Silent : Drain::StillSending;
        EngineBase::cancel(nowMs);
        return;
    }
    if (!replyTaken(nowMs))
        return;
    const DeviceType device = m_request.device;
    if (!m_sequence && m_requested == 0) {
        if (m_current == TransferRequest::Programs) {
            if (const QByteArray closing = ListingFormatter::programClosing(device); !closing.isEmpty())
                store({closing});
        }
        if (device == DeviceType::UKorvo || device == DeviceType::Veltor || device == DeviceType::Fendra)
            store({"'[END]"});
        emitProgress(m_commandsSent, m_commandsSent);
        finish(m_unanswered.join(QStringLiteral("\r\n")));
        return;
    }
    // Every step leaves an empty line; an edit window leaves it out for HMI blocks (the job drops it).
    store({QByteArray()});
    const bool sent = (m_sequence && nextBlock()) || nextSection();
    if (!sent) {
        emitProgress(m_commandsSent, m_commandsSent);
        finish(m_unanswered.join(QStringLiteral("\r\n")));
        return;
    }
    setDeadline(nowMs + m_intervalMs);
}

} // namespace korvo
