#include "transfer/listingformatter.h"

#include "app/devicecatalogue.h"
#include "transfer/transferrequest.h"

namespace korvo {

namespace {
// The register letters of the 926Q's sixteen register blocks.
const char *const kRegisterLetters[16] = {"H", "r", "D", "B", "K", "T", "Y", "E",
                                          "e", "s", "d", "t", "I", "V", "v", "h"};
const int kRegisterAddresses[16] = {1986, 1987, 1988, 1990, 1992, 1996, 1998, 1999,
                                    2001, 2002, 2004, 2006, 2011, 2016, 2018, 2019};

QByteArray range(int from, int to)
{
    return QByteArray::number(from) + '-' + QByteArray::number(to);
}
} // namespace

QByteArray ListingFormatter::header(DeviceType device, int section)
{
    if (device == DeviceType::Hmi) {
        switch (section) {
        case TransferRequest::Variables:
            return "'[REGISTERS] ";
        case TransferRequest::Flags:
            return "'[PARAMETERS] ";
        default:
            return "'[PROGRAM] ";
        }
    }
    switch (section) {
    case TransferRequest::Variables:
        return "'[VARIABLES]";
    case TransferRequest::Flags:
        return "'[FLAGS]";
    default:
        return "'[PROGRAMS]";
    }
}

QByteArray ListingFormatter::header926Q(int section, int block)
{
    switch (section) {
    case TransferRequest::Variables:
        return "'[MICRO-POSITION TABLE (1792-1893)]";
    case TransferRequest::Programs:
        if (block == 0)
            return "'[PROGRAMS (1700-1790)]";
        return "'[PROGRAMS (" + range(100 * (block - 1), 100 * (block - 1) + 99) + ")]";
    case TransferRequest::Flags:
        // The 926Q's "Variables" box reads its register blocks; each block's letter names it.
        if (block < 1 || block > 16)
            return "'[VARIABLES (1985)]";
        return QByteArray("'[VARIABLES ") + kRegisterLetters[block - 1] + " (" +
               QByteArray::number(kRegisterAddresses[block - 1]) + ")]";
    default:
        if (block == 0)
            return "'[NVM (2000-2047)]";
        return "'[NVM (" + range(100 * (block - 1), 100 * (block - 1) + 99) + ")]";
    }
}

QByteArray ListingFormatter::programWord(DeviceType device)
{
    switch (device) {
    case DeviceType::UKorvo:
        return "PGM";
    case DeviceType::Veltor:
    case DeviceType::Fendra:
    case DeviceType::Norbel:
        return "PG";
    default:
        return {};
    }
}

QByteArray ListingFormatter::programClosing(DeviceType device)
{
    // Norbel drives list no closing line.
    if (device == DeviceType::UKorvo || device == DeviceType::Veltor || device == DeviceType::Fendra)
        return "        " + programWord(device);
    return {};
}

QList<QByteArray> ListingFormatter::format(QByteArray line)
{
    qsizetype start = 0;
    while (start < line.size() && (line[start] == '\r' || line[start] == '\n'))
        ++start;
    line = line.mid(start);
    if (m_device == DeviceType::Q926) {
        while (line.endsWith('\r'))
            line.chop(1);
    } else if (const qsizetype cr = line.indexOf('\r'); cr >= 0) {
        line.truncate(cr);
    }

    if (m_section == TransferRequest::Variables || m_section == TransferRequest::Flags) {
        if (line.contains("= L "))
            return {};
        const qsizetype global = line.indexOf("= G");
        if (global >= 0)
            line.remove(global + 2, line.mid(global + 3, 1) == " " ? 2 : 1);
        if (m_section == TransferRequest::Flags) {
            if (const qsizetype f = line.indexOf("FALSE"); f >= 0)
                line = line.left(f) + '0';
            else if (const qsizetype t = line.indexOf("TRUE"); t >= 0)
                line = line.left(t) + '1';
        }
        if (global < 0)
            return {line};
        if (m_section == TransferRequest::Flags)
            return {"FLG " + line};
        return {(m_device == DeviceType::UKorvo ? "VAR " : "VA ") + line};
    }

    if (m_section == TransferRequest::Programs && m_subState > 0) {
        if (--m_subState > 0)
            return {line};
        const QByteArray label = m_device == DeviceType::UKorvo ? "LBL" : "LB";
        if (line.contains(label)) {
            m_pendingLabel = line;
            m_subState = 1;
            return {};
        }
        QList<QByteArray> out{programWord(m_device) + ' ' + line.left(5)};
        if (!m_pendingLabel.isEmpty())
            out.append(std::exchange(m_pendingLabel, QByteArray()));
        out.append(line);
        return out;
    }
    return {line};
}

} // namespace korvo
