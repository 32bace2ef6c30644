#include "spiframeparser.h"

namespace korvo {

namespace {
constexpr char kDle = 16;
constexpr char kSoh = 1;
constexpr char kEot = 4;
constexpr char kEnq = 5;
constexpr char kStx = 2;
constexpr char kEtx = 3;
} // namespace

std::optional<SpiFrameParser::Item> SpiFrameParser::restart(char byte)
{
    ++m_dropped;
    m_state = State::Idle;
    m_bytes.clear();
    return take(byte);
}

std::optional<SpiFrameParser::Item> SpiFrameParser::take(char byte)
{
    switch (m_state) {
    case State::Idle:
        if (byte == kDle)
            m_state = State::FrameSoh;
        else if (byte == kEnq)
            m_state = State::CommandStx;
        return std::nullopt;
    case State::FrameSoh:
        if (byte != kSoh)
            return restart(byte);
        m_state = State::FrameCount;
        return std::nullopt;
    case State::FrameCount:
        m_count = static_cast<unsigned char>(byte);
        m_bytes.clear();
        m_state = m_count == 0 ? State::FrameDle : State::FrameData;
        return std::nullopt;
    case State::FrameData:
        m_bytes += byte;
        if (m_bytes.size() == m_count)
            m_state = State::FrameDle;
        return std::nullopt;
    case State::FrameDle:
        if (byte != kDle)
            return restart(byte);
        m_state = State::FrameEot;
        return std::nullopt;
    case State::FrameEot:
        if (byte != kEot)
            return restart(byte);
        m_state = State::Idle;
        return Item{Item::Kind::Frame, std::exchange(m_bytes, QByteArray())};
    case State::CommandStx:
        if (byte != kStx)
            return restart(byte);
        m_bytes.clear();
        m_state = State::CommandText;
        return std::nullopt;
    case State::CommandText:
        if (byte == kEtx) {
            m_state = State::CommandEot;
            return std::nullopt;
        }
        if (static_cast<unsigned char>(byte) < 32 || m_bytes.size() >= kMaxCommand)
            return restart(byte);
        m_bytes += byte;
        return std::nullopt;
    case State::CommandEot:
        if (byte != kEot)
            return restart(byte);
        m_state = State::Idle;
        return Item{Item::Kind::Command, std::exchange(m_bytes, QByteArray())};
    }
    return std::nullopt;
}

} // namespace korvo
