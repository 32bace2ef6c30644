#pragma once

// Run_SPI_Send as an engine: what one press of Send does. With a rate whose wait (1000 / rate ms, rounded
// half to even) is above 0 it sends whole messages: count of them (0: until stopped), each started one wait
// after the one before (at once when a message took longer), back to the event loop in between. With rate 0
// (or a rate so high that the wait rounds to 0) it exchanges one byte of the message per press, the next
// byte each time, starting over after the last; the converter must first show a version that has
// single-character mode. The engine does no I/O: it asks for exchanges (SpiRequest events) and is told
// their results; its owner carries them to the parallel port or the converter. Each exchange done comes out
// as an SpiExchange event, each whole message also as Progress.

#include "engine/enginebase.h"

#include <optional>

namespace korvo {

struct SpiSendOptions
{
    QByteArray message;
    int count = 1; // 0 = until stopped
    int rate = 100;
    int charIndex = 1;             // the byte the next one-byte step exchanges, 1..message size
    bool parallel = true;          // the parallel port (no version check)
    bool converterChecked = false; // the converter's version has already been accepted
};

class SpiSendEngine final : public EngineBase
{
public:
    static inline const QString kVersionRefused =
        QStringLiteral("Set Rate > 0\r\nThis VT-QX510 does not support Single Character Mode.");

    explicit SpiSendEngine(SpiSendOptions options);

    // Milliseconds between whole messages at rate: round(Int(1e6 / rate) / 1000), half to even; 0 for rate 0.
    static int waitMs(int rate);

    void start(qint64 nowMs) override;
    // The reply of the pending Message or Char request; its time is nowMs minus when it was asked for.
    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;
    // A failed exchange ends the run; a message stepped a byte at a time starts over with its first byte.
    void writeFailed(const QString &reason, qint64 nowMs) override;
    void linkLost(const QString &reason, qint64 nowMs) override { writeFailed(reason, nowMs); }
    // Stop: ends the run as finished, not failed.
    void cancel(qint64 nowMs) override;

    // The pending request's result. A failed one is writeFailed() (or linkLost()).
    void requestDone(const QByteArray &received, double messageMs, qint64 nowMs);
    void versionChecked(bool accepted, qint64 nowMs);

    int sent() const { return m_sent; }
    int charIndex() const { return m_charIndex; }
    bool converterChecked() const { return m_options.converterChecked; }
    bool versionRefused() const { return m_versionRefused; }
    bool stopped() const { return m_stopped; }

private:
    enum class State { Idle, Checking, Message, Waiting, Char };
    void ask(SpiRequest request, State state, qint64 nowMs);
    void sendMessage(qint64 nowMs);
    void stepChar(qint64 nowMs);

    SpiSendOptions m_options;
    int m_wait = 0;
    State m_state = State::Idle;
    qint64 m_askedAt = 0;
    int m_sent = 0;
    int m_charIndex = 1;
    bool m_versionRefused = false;
    bool m_stopped = false;
};

} // namespace korvo
