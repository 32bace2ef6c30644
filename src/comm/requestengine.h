#pragma once

// One request and its reply (bSend_CAN_Comm with Wait_For_Results): writes the message whole, then
// collects the reply by its receive mode until the collector says it is complete or the reply time
// (message length + extra characters, + 100 ms) runs out; in the silence-measuring modes every arrival
// restarts that time. Answered unless the time ran out, or always with the "-d" switch.

#include "comm/enginebase.h"
#include "comm/linktiming.h"
#include "comm/replycollector.h"

namespace korvo {

class RequestEngine final : public EngineBase
{
public:
    struct Options
    {
        QByteArray message;
        int mode = ReplyCollector::Text;
        int extraLen = 0;
        LinkTiming timing;
        bool noReplyCheck = false; // "-d": a reply that never came still counts as answered
        int lineCount = 0;         // mode 7's table size
        char addressChar = '\0';   // mode 9
    };

    explicit RequestEngine(Options options);

    int receiveMode() const override { return m_collector.mode(); }
    void start(qint64 nowMs) override;
    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;

    bool answered() const { return m_answered; }
    bool timedOut() const { return m_timedOut; }
    // Mode 9: the reply line did not start with the address character.
    bool wrongReply() const { return m_wrongReply; }
    const ReplyCollector &reply() const { return m_collector; }

private:
    void end(bool timedOut);

    Options m_options;
    ReplyCollector m_collector;
    int m_waitMs = 0;
    bool m_answered = false;
    bool m_timedOut = false;
    bool m_wrongReply = false;
};

} // namespace korvo
