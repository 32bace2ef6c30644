#pragma once

// One job with the serial SPI converter, as an engine: a message (frame out, one byte back per byte) or the
// version query. It asks for the port at the converter's settings, writes, and waits for the reply with one
// deadline of a second that received bytes meet. The owner closes the port afterwards (single-character
// mode keeps it open between the bytes of one message).

#include "engine/enginebase.h"

namespace korvo {

class SpiConverterEngine final : public EngineBase
{
public:
    static constexpr int kReplyMs = 1000;
    static inline const QString kSettings = QStringLiteral("19200,n,8,1");
    // What the SPI window says of a reply that did not come whole in time; the failure goes on to say how
    // much came.
    static inline const QString kIncomplete = QStringLiteral("Comm Port Not Open");

    enum class Job { Message, Version };
    struct Request
    {
        Job job = Job::Message;
        QByteArray bytes;
        bool holdSelect = false;    // "CS0" first: the chip select stays low after the frame
        bool releaseSelect = false; // "CS1" after the frame
    };

    explicit SpiConverterEngine(Request request) : m_request(std::move(request)) {}

    void start(qint64 nowMs) override;
    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;

    const Request &request() const { return m_request; }
    // A message's reply (once finished), one byte per byte sent.
    QByteArray reply() const { return m_reply.left(m_request.bytes.size()); }
    // The version job: what came back, and whether it allows single-character mode.
    QByteArray versionReply() const { return m_reply; }
    bool versionAccepted() const { return m_accepted; }

private:
    Request m_request;
    QByteArray m_reply;
    bool m_accepted = false;
};

} // namespace korvo
