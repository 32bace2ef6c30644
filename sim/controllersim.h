#pragma once

// A simulated controller: bytes from the program in, bytes to the program out. It echoes what is typed,
// answers its device type's listing commands, and answers garbage when the line runs at another rate than
// its own. It owns no I/O; SimPty and SimGateway carry its bytes over a pty or a TCP socket.

#include "app/devicecatalogue.h"

#include <QByteArray>
#include <QList>
#include <functional>

namespace korvo {

class ControllerSim
{
public:
    // A handler for one command line (without its terminator); true when it answered. Later dialogues
    // (upgrade, CAN, RAM reads, rate probes) are added this way, or as byte hooks for non-line protocols.
    using LineHandler = std::function<bool(ControllerSim &sim, const QByteArray &line)>;
    // Sees every byte first (already decoded at the right rate); true when it consumed the byte.
    using ByteHook = std::function<bool(ControllerSim &sim, char byte)>;
    // Told of a power cycle, so that a dialogue's mode (upgrade, CAN configuration) is forgotten too.
    using PowerHook = std::function<void()>;

    explicit ControllerSim(DeviceType device = Veltor);

    DeviceType device() const { return m_device; }
    void setDevice(DeviceType device);
    // The rate the controller itself runs at (default 9600).
    int ownBaud() const { return m_ownBaud; }
    void setOwnBaud(int baud) { m_ownBaud = baud; }
    // The rate the line runs at (pty settings, gateway rate); 0 means "matches".
    int lineBaud() const { return m_lineBaud; }
    void setLineBaud(int baud) { m_lineBaud = baud; }
    // A silent controller takes everything and answers nothing.
    void setSilent(bool silent) { m_silent = silent; }
    bool silent() const { return m_silent; }
    // Typed characters and line ends are echoed (the default), or not (a controller in a quiet echo mode).
    void setEchoing(bool echoing) { m_echoing = echoing; }

    void receive(const QByteArray &bytes);
    // Power off and on: a half-typed line, unsent output, the echo mode and the dialogues' modes are lost.
    void powerCycle();
    QByteArray takeOutput();
    bool hasOutput() const { return !m_output.isEmpty(); }
    // Queues bytes to the program (for handlers).
    void reply(const QByteArray &bytes);
    void replyLine(const QByteArray &line) { reply(line + "\r\n"); }

    // Everything received since the start, raw.
    const QByteArray &received() const { return m_received; }
    // Command lines the controller has acted on, in order.
    const QList<QByteArray> &commands() const { return m_commands; }

    // Contents printed by the listing commands (reply lines without terminators).
    void setVariables(const QList<QByteArray> &lines) { m_variables = lines; }
    void setFlags(const QList<QByteArray> &lines) { m_flags = lines; }
    void setProgram(const QList<QByteArray> &lines) { m_program = lines; }

    void addLineHandler(LineHandler handler) { m_lineHandlers.append(std::move(handler)); }
    void addByteHook(ByteHook hook) { m_byteHooks.append(std::move(hook)); }
    void addPowerHook(PowerHook hook) { m_powerHooks.append(std::move(hook)); }

    static constexpr char kPrompt = '>';

private:
    void take(char byte);
    void runLine(const QByteArray &line);
    bool builtIn(const QByteArray &command);
    static char garble(char byte);

    DeviceType m_device = Veltor;
    int m_ownBaud = 9600;
    int m_lineBaud = 0;
    bool m_silent = false;
    bool m_echoing = true;
    bool m_lastWasCr = false;
    QByteArray m_line;
    QByteArray m_output;
    QByteArray m_received;
    QList<QByteArray> m_commands;
    QList<QByteArray> m_variables;
    QList<QByteArray> m_flags;
    QList<QByteArray> m_program;
    QList<LineHandler> m_lineHandlers;
    QList<ByteHook> m_byteHooks;
    QList<PowerHook> m_powerHooks;
};

} // namespace korvo
