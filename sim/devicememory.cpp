#include "sim/devicememory.h"

#include "app/devicecatalogue.h"
#include "transfer/hmiblockcodec.h"
#include "transfer/listingformatter.h"

namespace korvo {

namespace {
constexpr int kHmiRegisters = 4096;
constexpr int kHmiParameters = 5632;
constexpr int kQ926Cells = 2048;

bool veltorFamily(DeviceType device)
{
    return device == DeviceType::Veltor || device == DeviceType::Fendra || device == DeviceType::Norbel;
}
} // namespace

DeviceMemory::DeviceMemory(DeviceType device) : m_device(device), m_hmi(kHmiSize, '\xff') {}

DeviceMemory DeviceMemory::demo(DeviceType device)
{
    DeviceMemory memory(device);
    switch (device) {
    case DeviceType::UKorvo:
        memory.m_variables = {{"X", "100"}, {"Y", "-25"}, {"SPEED", "2500"}, {"I", "3", false}};
        memory.m_flags = {{"HOMED", "TRUE"}, {"FAULT", "FALSE"}, {"BUSY", "FALSE", false}};
        memory.m_program = {"LBL START",       "100  X = 0", "101  MOVE 4000", "102  X = X + 1",
                            "103  GOTO START", "200  Y = 1", "201  MOVE -4000"};
        break;
    case DeviceType::Q926:
        // 2030 and 2047 lie beyond every section: only the non-volatile blocks reach them.
        memory.m_cells = {{0, "12"},      {1, "7"},    {2, "30"},    {100, "4"},  {1700, "1"},  {1792, "500"},
                          {1793, "-200"}, {1985, "3"}, {1992, "40"}, {2019, "1"}, {2030, "25"}, {2047, "9"}};
        break;
    case DeviceType::Hmi: {
        const QByteArray program = "\x1b"
                                   "A\tMOTOR READY\\ <1>\x08\x1b"
                                   "B SPEED?";
        memory.m_hmi.replace(0, program.size(), program);
        memory.m_hmi.replace(64, 5, "HOME ");
        memory.m_hmi.replace(kHmiRegisters, 4, QByteArray("\x01\x02\x00\x10", 4));
        memory.m_hmi.replace(kHmiRegisters + 40 * 32, 2, "\x7f\x80");
        memory.m_hmi.replace(kHmiParameters, 3, QByteArray("\x05\x00\x09", 3));
        break;
    }
    default:
        memory.m_variables = {{"ACCEL", "2000"}, {"SPEED", "1500"}, {"COUNT", "0"}, {"TEMP", "12", false}};
        memory.m_program = {"LB MAIN",       "100  VA COUNT = 0", "101  MR 4000", "102  H",
                            "103  IC COUNT", "104  BR MAIN",      "200  MA 0",    "201  H"};
    }
    return memory;
}

QList<QByteArray> DeviceMemory::reply(const QList<Value> &values)
{
    QList<QByteArray> lines;
    for (const Value &value : values)
        lines.append(value.name + (value.global ? " = G " : " = L ") + value.value);
    return lines;
}

QList<QByteArray> DeviceMemory::variablesReply() const
{
    return reply(m_variables);
}

QList<QByteArray> DeviceMemory::flagsReply() const
{
    return reply(m_flags);
}

QList<QByteArray> DeviceMemory::programReply() const
{
    // These drives print an empty line before the listing.
    if (veltorFamily(m_device))
        return QList<QByteArray>{QByteArray()} + m_program;
    return m_program;
}

QList<QByteArray> DeviceMemory::cellsReply(int from, int count) const
{
    QList<QByteArray> lines;
    for (auto it = m_cells.lowerBound(from); it != m_cells.end() && it.key() <= from + count; ++it)
        lines.append(QByteArray::number(it.key()).rightJustified(4, '0') + ": " + it.value());
    return lines;
}

QByteArray DeviceMemory::hmiData(int address) const
{
    if (address < 0 || address + 32 > kHmiSize)
        return QByteArray(32, '\xff');
    return m_hmi.mid(address, 32);
}

void DeviceMemory::setValue(QList<Value> &values, const QByteArray &name, const QByteArray &value)
{
    for (Value &existing : values) {
        if (existing.name == name) {
            existing = {name, value, true};
            return;
        }
    }
    values.append({name, value, true});
}

bool DeviceMemory::applyProgramLine(const QByteArray &line)
{
    const QByteArray word = ListingFormatter::programWord(m_device);
    const QList<QByteArray> parts = line.simplified().split(' ');
    if (parts.first().compare(word, Qt::CaseInsensitive) == 0) {
        // "PGM 100" starts a new program listing; a bare "PGM" ends it.
        m_programMode = parts.size() > 1;
        if (m_programMode)
            m_program.clear();
        return true;
    }
    if (!m_programMode)
        return false;
    m_program.append(line);
    return true;
}

bool DeviceMemory::apply(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith('\'')) {
        const QByteArray upper = trimmed.toUpper();
        m_hmiBase = upper.startsWith("'[REGISTERS")    ? kHmiRegisters
                    : upper.startsWith("'[PARAMETERS") ? kHmiParameters
                                                       : 0;
        return true;
    }
    if (trimmed.isEmpty())
        return false;
    if (m_device == DeviceType::Hmi) {
        const auto decoded = HmiBlockCodec::parseLine(line);
        if (!decoded)
            return false;
        const int at = m_hmiBase + decoded->address;
        if (at < 0 || at >= kHmiSize)
            return false;
        m_hmi.replace(at, std::min<qsizetype>(decoded->bytes.size(), kHmiSize - at), decoded->bytes);
        return true;
    }
    if (m_device == DeviceType::Q926) {
        const qsizetype colon = trimmed.indexOf(':');
        bool ok = false;
        const int address = trimmed.left(colon).toInt(&ok);
        if (colon < 0 || !ok)
            return false;
        if (address < 0 || address >= kQ926Cells)
            return false;
        m_cells[address] = trimmed.mid(colon + 1).trimmed();
        return true;
    }
    if (applyProgramLine(line))
        return true;
    const qsizetype equals = trimmed.indexOf(" = ");
    const qsizetype blank = trimmed.indexOf(' ');
    if (equals < 0 || blank > equals)
        return false;
    const QByteArray keyword = trimmed.left(blank).toUpper();
    const QByteArray name = trimmed.mid(blank + 1, equals - blank - 1).trimmed();
    const QByteArray value = trimmed.mid(equals + 3).trimmed();
    if (keyword == (m_device == DeviceType::UKorvo ? "VAR" : "VA")) {
        setValue(m_variables, name, value);
        return true;
    }
    if (m_device == DeviceType::UKorvo && keyword == "FLG") {
        setValue(m_flags, name, value == "0" ? "FALSE" : "TRUE");
        return true;
    }
    return false;
}

} // namespace korvo
