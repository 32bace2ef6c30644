#pragma once

// Reads what the program sends a serial SPI converter: message frames (DLE SOH, count, bytes, DLE EOT) and
// commands (ENQ STX, text, ETX EOT: "VERS", "CS0", "CS1"). A malformed frame or command is dropped and the
// parser looks for the next start; bytes between frames are ignored.

#include <QByteArray>
#include <optional>

namespace korvo {

class SpiFrameParser
{
public:
    struct Item
    {
        enum class Kind { Frame, Command };
        Kind kind = Kind::Frame;
        QByteArray bytes; // the frame's message bytes, or the command's text
    };

    // Commands longer than this are not commands.
    static constexpr int kMaxCommand = 16;

    // Takes one byte; a complete frame or command comes back.
    std::optional<Item> take(char byte);
    // A frame or command has started and is not complete yet.
    bool inProgress() const { return m_state != State::Idle; }
    // Frames and commands dropped as malformed.
    int dropped() const { return m_dropped; }
    // A power cycle: a frame or command half taken is forgotten.
    void forget()
    {
        m_state = State::Idle;
        m_bytes.clear();
    }

private:
    enum class State {
        Idle,
        FrameSoh,
        FrameCount,
        FrameData,
        FrameDle,
        FrameEot,
        CommandStx,
        CommandText,
        CommandEot
    };
    // Back to looking for a start; the byte that broke the frame may itself begin the next one.
    std::optional<Item> restart(char byte);

    State m_state = State::Idle;
    int m_count = 0;
    QByteArray m_bytes;
    int m_dropped = 0;
};

} // namespace korvo
