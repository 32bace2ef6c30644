#include "controllersim.h"

namespace korvo {

namespace {
QList<QByteArray> defaultVariables(DeviceType device)
{
    if (device == UKorvo)
        return {"X = G 100", "Y = G -25", "SPEED = G 2500", "I = L 3"};
    return {"ACCEL = G 2000", "SPEED = G 1500", "COUNT = G 0", "TEMP = L 12"};
}

QList<QByteArray> defaultFlags(DeviceType device)
{
    if (device == UKorvo)
        return {"HOMED = G TRUE", "FAULT = G FALSE", "BUSY = L FALSE"};
    return {};
}

QList<QByteArray> defaultProgram(DeviceType device)
{
    if (device == UKorvo)
        return {"100  LBL START", "101  X = 0", "102  MOVE 4000", "103  X = X + 1", "104  GOTO START"};
    return {"100  LB MAIN", "101  VA COUNT = 0", "102  MR 4000", "103  H", "104  IC COUNT", "105  BR MAIN"};
}
} // namespace

ControllerSim::ControllerSim(DeviceType device)
{
    setDevice(device);
}

void ControllerSim::setDevice(DeviceType device)
{
    m_device = device;
    m_variables = defaultVariables(device);
    m_flags = defaultFlags(device);
    m_program = defaultProgram(device);
}

void ControllerSim::reply(const QByteArray &bytes)
{
    m_output += bytes;
}

void ControllerSim::powerCycle()
{
    m_line.clear();
    m_output.clear();
    m_lastWasCr = false;
    m_echoing = true;
    for (const PowerHook &hook : std::as_const(m_powerHooks))
        hook();
}

QByteArray ControllerSim::takeOutput()
{
    return std::exchange(m_output, QByteArray());
}

char ControllerSim::garble(char byte)
{
    // What a UART at the wrong rate makes of a character: a different, mostly high-bit byte.
    const auto code = static_cast<unsigned char>(byte);
    return static_cast<char>(0x80 | ((code * 7 + 0x35) & 0x7F));
}

void ControllerSim::receive(const QByteArray &bytes)
{
    m_received += bytes;
    const bool rateMatches = m_lineBaud == 0 || m_lineBaud == m_ownBaud;
    for (const char byte : bytes) {
        if (!rateMatches) {
            // Framing errors: the controller sees noise and echoes noise; no command is understood.
            m_line.clear();
            if (!m_silent)
                m_output += garble(byte);
            continue;
        }
        take(byte);
    }
}

void ControllerSim::take(char byte)
{
    for (const ByteHook &hook : std::as_const(m_byteHooks))
        if (hook(*this, byte))
            return;
    const bool afterCr = m_lastWasCr;
    m_lastWasCr = byte == '\r';
    switch (byte) {
    case '\n':
        // A LF right after a CR (CR => CRLF on the terminal) belongs to the same line end.
        if (afterCr)
            return;
        [[fallthrough]];
    case '\r':
        if (!m_silent && m_echoing)
            m_output += "\r\n";
        runLine(std::exchange(m_line, QByteArray()));
        return;
    case '\b':
    case 127:
        if (!m_line.isEmpty()) {
            m_line.chop(1);
            if (!m_silent)
                m_output += "\b \b";
        }
        return;
    case 3: // Ctrl+C abandons the line
        m_line.clear();
        if (!m_silent)
            m_output += "^C\r\n>";
        return;
    default:
        break;
    }
    if (static_cast<unsigned char>(byte) < 32)
        return;
    m_line += byte;
    if (!m_silent && m_echoing)
        m_output += byte;
}

void ControllerSim::runLine(const QByteArray &line)
{
    const QByteArray command = line.trimmed();
    if (!command.isEmpty())
        m_commands.append(line);
    if (m_silent)
        return;
    bool answered = command.isEmpty();
    for (const LineHandler &handler : std::as_const(m_lineHandlers)) {
        if (!answered && handler(*this, line))
            answered = true;
    }
    if (!answered && !builtIn(command))
        m_output += "?\r\n";
    m_output += kPrompt;
}

bool ControllerSim::builtIn(const QByteArray &command)
{
    const QByteArray lower = command.toLower();
    const QList<QByteArray> *lines = nullptr;
    if (m_device == UKorvo) {
        if (lower == "print vars")
            lines = &m_variables;
        else if (lower == "print flags")
            lines = &m_flags;
        else if (lower == "list" || lower.startsWith("list "))
            lines = &m_program;
    } else if (m_device == Veltor || m_device == Fendra || m_device == Norbel) {
        if (lower == "pr al")
            lines = &m_variables;
        else if (lower == "l")
            lines = &m_program;
    }
    if (!lines)
        return false;
    for (const QByteArray &line : *lines)
        replyLine(line);
    return true;
}

} // namespace korvo
