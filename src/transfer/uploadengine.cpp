#include "transfer/uploadengine.h"

#include "app/cp1252.h"
#include "app/devicecatalogue.h"

#include <bit>

namespace korvo {

namespace {
constexpr qsizetype kMaxLine = 64 * 1024; // a longer run without LF is noise: it is stored as it stands
constexpr int kRegisterBlocks = 16;
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
    : m_request(std::move(request)), m_formatter(m_request.device)
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
    return total;
}

void UploadEngine::start(qint64 nowMs)
{
    m_lastByteMs = nowMs;
    m_requested = m_request.sections & sectionsOf(m_request.device);
    // Nothing ticked: the programs, and on a 926Q its whole non-volatile memory, which holds them too.
    if (m_requested == 0 && m_request.device == DeviceType::Q926) {
        m_commandsPlanned = 1 + kNvmBlocks;
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
        m_hmiHeaderDone = false;
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
    const QByteArray bytes = bytesOf(m_request.deviceAddress) + command + m_request.lineEnd();
    m_pendingHeader = std::move(header);
    m_lineSkip = 1;
    m_buffer.clear();
    m_hmiBlockTaken = false;
    m_intervalMs = replyTimeMs(m_request.timing, int(bytes.size()), 500);
    // Send_Transfer_Line: no line pause after a command.
    sendPacedChars(bytes);
    // The commands before this one have had their answers.
    emitProgress(m_commandsSent, std::max(m_commandsSent + 1, m_commandsPlanned));
    ++m_commandsSent;
}

void UploadEngine::outputWritten(qint64 nowMs)
{
    if (!isFinished())
        setDeadline(nowMs + m_intervalMs);
}

void UploadEngine::cancel(qint64 nowMs)
{
    if (isFinished() || std::exchange(m_draining, true)) {
        EngineBase::cancel(nowMs);
        return;
    }
    emitStatus(QStringLiteral("Cancelled: reading the rest of the device's answer until it is silent"));
    setDeadline(nowMs + m_intervalMs);
}

void UploadEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    if (isFinished())
        return;
    m_bytesIn += data.size();
    m_lastByteMs = nowMs;
    setDeadline(nowMs + m_intervalMs);
    if (m_draining)
        return;
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
    if (m_lineSkip == 0) {
        store(m_formatter.format(line));
        return;
    }
    // The device's echo of the command becomes the section header.
    if (--m_lineSkip > 0)
        return;
    if (m_current == TransferRequest::Programs && m_request.device != DeviceType::Q926)
        m_formatter.setSubState(m_request.device == DeviceType::UKorvo ? 2 : 3);
    store(m_formatter.format(m_pendingHeader));
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
        --m_block; // the next silence step asks for the same block again
        emitStatus(QStringLiteral("Block %1 failed its check; asking again").arg(m_block + 1));
        return;
    }
    if (!m_hmiHeaderDone) {
        m_hmiHeaderDone = true;
        store({ListingFormatter::header(DeviceType::Hmi, m_current)});
    }
    // Erased blocks are written too ("<empty>" bytes), so the listing holds every address that was read.
    const QByteArray data = block.left(HmiBlockCodec::kDataBytes);
    const int first = m_current == TransferRequest::Variables ? 129
                      : m_current == TransferRequest::Flags   ? 177
                                                              : 1;
    const auto kind = m_current == TransferRequest::Variables ? HmiBlockCodec::Kind::Registers
                      : m_current == TransferRequest::Flags   ? HmiBlockCodec::Kind::Parameters
                                                              : HmiBlockCodec::Kind::Program;
    store({HmiBlockCodec::renderLine(kind, 32 * (m_block - first), data)});
}

void UploadEngine::store(const QList<QByteArray> &lines)
{
    for (const QByteArray &line : lines)
        emitLine(decodeCp1252(line.constData(), line.size()));
}

void UploadEngine::timerFired(qint64 nowMs)
{
    if (isFinished())
        return;
    if (m_draining) {
        m_drained = true;
        EngineBase::cancel(nowMs);
        return;
    }
    const DeviceType device = m_request.device;
    // No echo came: the section still gets its header, so a silent device gives a listing of headers.
    if (m_lineSkip > 0 && !m_pendingHeader.isEmpty())
        collectLine(QByteArray());
    if (!m_sequence && m_requested == 0) {
        if (m_current == TransferRequest::Programs) {
            if (const QByteArray closing = ListingFormatter::programClosing(device); !closing.isEmpty())
                store({closing});
        }
        if (device == DeviceType::UKorvo || device == DeviceType::Veltor || device == DeviceType::Fendra)
            store({"'[END]"});
        emitProgress(m_commandsSent, m_commandsSent);
        finish();
        return;
    }
    if (device != DeviceType::Hmi)
        store({QByteArray()});
    const bool sent = (m_sequence && nextBlock()) || nextSection();
    if (!sent) {
        emitProgress(m_commandsSent, m_commandsSent);
        finish();
        return;
    }
    setDeadline(nowMs + m_intervalMs);
}

} // namespace korvo
