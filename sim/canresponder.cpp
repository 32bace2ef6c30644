#include "sim/canresponder.h"

#include "sim/controllersim.h"

#include <QFile>

namespace korvo {

namespace {
constexpr char kEnq = '\x05';
constexpr char kAck = '\x06';
constexpr char kNak = '\x15';

const char *const kMaskKeys[] = {"GMS0", "GMS1", "UGML0", "UGML1", "LGML0", "LGML1"};
const char *const kFrameKeys[] = {"UAR0", "UAR1", "LAR0", "LAR1"};

QByteArray indexed(const char *key, int frame)
{
    return QByteArray(key) + '(' + QByteArray::number(frame) + ')';
}

int hexValue(const QByteArray &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 16);
    return ok ? value : 0;
}

int baudOfCode(int code)
{
    switch (code) {
    case 19:
        return 19200;
    case 38:
        return 38400;
    case 48:
        return 4800;
    case 96:
        return 9600;
    default:
        return 0;
    }
}

int codeOfBaud(int baud)
{
    switch (baud) {
    case 19200:
        return 19;
    case 38400:
        return 38;
    case 4800:
        return 48;
    case 9600:
        return 96;
    default:
        return 0;
    }
}

QByteArray noise(qsizetype size)
{
    QByteArray bytes(std::max<qsizetype>(size, 4), '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(0x80 | ((i * 37 + 11) & 0x7F));
    return bytes;
}
} // namespace

CanResponder::CanResponder(Kind kind)
    : m_kind(kind), m_adapter(defaultSettings()), m_module(defaultSettings())
{
}

bool CanResponder::kindFromName(const QString &name, Kind *kind)
{
    const QString lower = name.toLower();
    if (lower == u"module")
        *kind = Kind::Module;
    else if (lower == u"dongle")
        *kind = Kind::Dongle;
    else if (lower == u"monitor")
        *kind = Kind::Monitor;
    else
        return false;
    return true;
}

bool CanResponder::faultFromName(const QString &name, Fault *fault)
{
    const QString lower = name.toLower();
    if (lower == u"nak")
        *fault = Fault::Nak;
    else if (lower == u"short")
        *fault = Fault::Short;
    else if (lower == u"garbage")
        *fault = Fault::Garbage;
    else
        return false;
    return true;
}

CanResponder::Settings CanResponder::defaultSettings()
{
    Settings s{{"KORVOMode", 0}, {"KORVODn", '!'}, {"KORVOPrompt", '>'}, {"KORVOBaud", 96},
               {"BTR0", 83},     {"BTR1", 52},     {"LGML1", 248},       {"CDEL", 3}};
    for (const char *key : kMaskKeys)
        s.insert(key, s.value(key, 255));
    for (int m = 0; m < 3; ++m) {
        s.insert(indexed("UAR0", m), 255);
        s.insert(indexed("UAR1", m), 254);
        s.insert(indexed("LAR0", m), 0);
        s.insert(indexed("LAR1", m), 0);
        s.insert(indexed("FLAGS", m), m == 0 ? 0 : 8);
    }
    return s;
}

bool CanResponder::loadConfig(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    Settings module = defaultSettings();
    Settings adapter = defaultSettings();
    bool sawModule = false;
    bool sawAdapter = false;
    Settings *into = nullptr;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            const bool isAdapter = line.compare("[DONGLE Settings]", Qt::CaseInsensitive) == 0;
            const bool isModule = line.compare("[MODULE Settings]", Qt::CaseInsensitive) == 0;
            into = isAdapter ? &adapter : isModule ? &module : nullptr;
            sawAdapter = sawAdapter || isAdapter;
            sawModule = sawModule || isModule;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!into || equals <= 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        bool ok = false;
        const int number = value.toInt(&ok);
        // The name and prompt characters are written as the character itself.
        into->insert(key, ok ? number : (value.isEmpty() ? 0 : uchar(value.at(0))));
    }
    m_module = sawModule || !sawAdapter ? module : adapter;
    m_adapter = sawAdapter || !sawModule ? adapter : module;
    return true;
}

void CanResponder::setVanishAfter(int requests, std::function<void()> onVanish)
{
    m_vanishAfter = requests;
    m_onVanish = std::move(onVanish);
}

void CanResponder::attach(ControllerSim &sim)
{
    sim.addByteHook([this](ControllerSim &s, char byte) { return take(s, byte); });
    // A power cycle ends configuration mode; the stored settings stay.
    sim.addPowerHook([this] {
        m_line.clear();
        m_configMode = false;
    });
}

bool CanResponder::take(ControllerSim &sim, char byte)
{
    if (byte == kEnq) {
        request(sim, QByteArray(1, kEnq));
    } else if (byte == '\r') {
        request(sim, std::exchange(m_line, QByteArray()));
    } else if (byte != '\n') {
        m_line += byte;
    }
    return true; // nothing is echoed: the adapter is no terminal
}

void CanResponder::request(ControllerSim &sim, const QByteArray &line)
{
    if (line.isEmpty())
        return;
    if (m_vanishAfter >= 0 && m_requests >= m_vanishAfter) {
        if (m_onVanish)
            std::exchange(m_onVanish, nullptr)();
        return;
    }
    ++m_requests;
    if (line.at(0) == kEnq)
        answer(sim, "*");
    else if (line.startsWith(':'))
        adapterCommand(sim, line.mid(1));
    else if (m_moduleActive)
        moduleCommand(sim, line);
}

void CanResponder::answer(ControllerSim &sim, const QByteArray &bytes)
{
    if (sim.silent())
        return;
    sim.reply(m_fault == Fault::Garbage ? noise(bytes.size()) : bytes);
}

void CanResponder::adapterCommand(ControllerSim &sim, const QByteArray &command)
{
    const qsizetype equals = command.indexOf('=');
    if (equals < 0) {
        if (command == "GETcfg")
            return reportSettings(sim);
        if (command == "PGMcfg") {
            m_configMode = true;
            m_moduleActive = false;
        } else if (command == "RESETpgm") {
            m_configMode = false;
            m_moduleActive = m_kind == Kind::Module && m_canMode;
        } else if (command == "setCAN" || command == "INIT") {
            m_canMode = command == "setCAN";
            const int baud = m_adapter.value("KORVOBaud");
            m_adapter = defaultSettings();
            m_adapter.insert("KORVOBaud", baud);
        } else if (command == "setDNet") {
            m_canMode = false;
            m_adapter.insert("BTR0", 0x44); // 125 kbit/s, sampled at 87.5 %
            m_adapter.insert("BTR1", 0x1C);
        }
        return answer(sim, QByteArray(1, kAck));
    }
    const bool applied = writeAdapter(command.left(equals), command.mid(equals + 1));
    answer(sim, QByteArray(1, applied && m_fault != Fault::Nak ? kAck : kNak));
    // The new rate holds from after the acknowledge.
    if (applied && m_fault != Fault::Nak && command.startsWith("BAUD="))
        sim.setOwnBaud(baudOfCode(m_adapter.value("KORVOBaud")));
}

bool CanResponder::writeAdapter(const QByteArray &key, const QByteArray &value)
{
    if (key == "BAUD") {
        const int code = codeOfBaud(value.toInt());
        if (code == 0)
            return false;
        m_adapter.insert("KORVOBaud", code);
        return true;
    }
    if (key.startsWith("C_")) {
        const QByteArray reg = key.mid(2);
        if (!m_adapter.contains(reg))
            return false;
        m_adapter.insert(reg, hexValue(value));
        return true;
    }
    // Mn_KEY: message frame n.
    if (key.size() < 4 || key.at(0) != 'M' || key.at(2) != '_' || key.at(1) < '1' || key.at(1) > '3')
        return false;
    const int frame = key.at(1) - '1';
    const QByteArray reg = key.mid(3);
    const QByteArray flags = indexed("FLAGS", frame);
    if (reg == "XTD") {
        m_adapter.insert(flags, (m_adapter.value(flags) & ~4) | (value == "1" ? 4 : 0));
    } else if (reg == "MCFG") {
        m_adapter.insert(flags, (m_adapter.value(flags) & ~8) | (hexValue(value) & 8));
    } else {
        const QByteArray indexedKey = indexed(reg.constData(), frame);
        if (!m_adapter.contains(indexedKey))
            return false;
        m_adapter.insert(indexedKey, hexValue(value));
    }
    return true;
}

void CanResponder::reportSettings(ControllerSim &sim)
{
    // Line k of the table (the first line sent is line 0) carries its value two characters after its
    // "=": line 5 the rate code in decimal, 8..15 the timing and masks, 19..23 frame 1, 28..32 frame 2.
    const Settings &s = m_adapter;
    const auto hex = [](int value) {
        return QByteArray::number(value & 0xFF, 16).toUpper().rightJustified(2, '0');
    };
    QList<QByteArray> lines = {m_kind == Kind::Monitor ? "CAN MONITOR CONFIGURATION"
                                                       : "CAN DONGLE CONFIGURATION",
                               "------------------------",
                               "Firmware = 2.10",
                               m_canMode ? "Bus Mode = CAN" : "Bus Mode = DeviceNet",
                               "Node = 00",
                               "RS232 Baud = " + QByteArray::number(s.value("KORVOBaud")),
                               QByteArray(),
                               "Bit Timing:",
                               "C_BTR0 = " + hex(s.value("BTR0")),
                               "C_BTR1 = " + hex(s.value("BTR1"))};
    for (const char *key : kMaskKeys)
        lines.append("C_" + QByteArray(key) + " = " + hex(s.value(key)));
    for (int frame = 0; frame < 2; ++frame) {
        const int flags = s.value(indexed("FLAGS", frame));
        const QByteArray prefix = "M" + QByteArray::number(frame + 1) + "_";
        lines.append(QByteArray());
        lines.append("Message Frame " + QByteArray::number(frame + 1) + ":");
        lines.append(prefix + "DIR = " + ((flags & 8) ? "TX" : "RX"));
        lines.append(prefix + "LEN = " + hex((flags & 4) ? 29 : 11));
        if (frame == 1)
            lines.append(prefix + "FLAGS = " + hex(flags));
        for (const char *key : kFrameKeys)
            lines.append(prefix + key + " = " + hex(s.value(indexed(key, frame))));
    }
    lines.append("END");
    if (m_fault == Fault::Short)
        lines = lines.mid(0, 31);
    QByteArray text;
    for (const QByteArray &line : std::as_const(lines))
        text += line + "\r\n";
    answer(sim, text);
}

void CanResponder::moduleCommand(ControllerSim &sim, const QByteArray &command)
{
    if (command == "VER")
        return answer(sim, "uKORVO CAN MODULE 2.10\r\n");
    if (command == "RECALL")
        return answer(sim, m_fault == Fault::Short ? recallBytes().left(30) : recallBytes());
    const qsizetype equals = command.indexOf('=');
    if (equals > 0)
        writeModule(command.left(equals), command.mid(equals + 1));
    answer(sim, QByteArray(1, m_fault == Fault::Nak ? kNak : kAck));
}

void CanResponder::writeModule(const QByteArray &key, const QByteArray &value)
{
    Settings &s = m_module;
    if (key == "FRM") {
        // frame x 100 + 10 when valid + 1 for a 29-bit identifier
        const int code = value.toInt();
        const int frame = code / 100 - 1;
        if (frame >= 0 && frame < 3)
            s.insert(indexed("FLAGS", frame), ((code / 10) % 10 == 1 ? 0 : 8) + (code % 10 == 1 ? 4 : 0));
    } else if (key == "LMODE") {
        s.insert("KORVOMode", value.toInt());
    } else if (key == "LADDR" || key == "LPRMPT") {
        if (!value.isEmpty())
            s.insert(key == "LADDR" ? "KORVODn" : "KORVOPrompt", uchar(value.at(0)));
    } else if (key == "LBAUD") {
        s.insert("KORVOBaud", value.toInt());
    } else if (key == "CDEL") {
        s.insert("CDEL", value.toInt());
    } else if (key == "BTR0" || key == "BTR1") {
        s.insert(key, hexValue(value));
    } else if (value.size() == 3 && s.contains(key)) {
        s.insert(key, hexValue(value.mid(1))); // a mask: frame digit 0
    } else if (value.size() == 3) {
        const int frame = hexValue(value.left(1)) - 1;
        if (frame >= 0 && frame < 3 && s.contains(indexed(key.constData(), frame)))
            s.insert(indexed(key.constData(), frame), hexValue(value.mid(1)));
    }
}

QByteArray CanResponder::recallBytes() const
{
    const Settings &s = m_module;
    QByteArray b;
    const auto put = [&b](int value) { b += char(value & 0xFF); };
    put(s.value("BTR0"));
    put(s.value("BTR1"));
    for (const char *key : kMaskKeys)
        put(s.value(key));
    for (int frame = 0; frame < 3; ++frame) {
        const int flags = s.value(indexed("FLAGS", frame));
        put(frame + 1);
        put((flags & 8) ? 0 : 1);
        put((flags & 4) ? 1 : 0);
        for (const char *key : kFrameKeys)
            put(s.value(indexed(key, frame)));
    }
    put(s.value("KORVOMode"));
    put(s.value("KORVODn"));
    put(s.value("KORVOPrompt"));
    const int code = s.value("KORVOBaud");
    put(code == 19 ? 1 : code == 38 ? 3 : code == 48 ? 4 : 9);
    put(s.value("CDEL"));
    put(0);
    put(0);
    return b;
}

} // namespace korvo
