#pragma once

// Upload from a device: one command per section (or per memory block on 926Q and HMI devices), the reply
// lines turned into listing lines, and the next command when the device has been silent for the reply
// interval. Reply lines split across reads are joined.
//
// A noisy line: the first reply line must be the echo of the command. A command whose echo differs, that
// gets no echo at all, or that the device answers with "?", is asked again once the device is silent;
// after a few tries a damaged answer fails the job naming the section and what went wrong, keeping what it
// has listed so far, while a command never answered leaves its section's header without data and the job
// goes on (a dead device gives a listing of headers), telling at the end what went unanswered. An HMI
// block with a wrong check byte is asked for again until it comes whole. Damage inside a reply cannot be seen
// from one read: with readings set to 2 (or more) every command's reply is read again and held until that
// many readings in a row agree, and the job fails naming the first differing line when they never do. A reply
// line that lost its CR or got one more is damage that can be seen, and is treated as a wrong answer.
//
// A 926Q with nothing ticked gives its whole non-volatile memory in blocks under "'[NVM (...)]" headers.
//
// Cancel stops the listing at once but keeps the link until the device has been silent for the reply
// interval: the rest of its answer to the cancelled command is read and dropped rather than left to flood
// the terminal. A device that never stops sending is given up on after kDrainLimitMs; a second Cancel
// stops waiting at once.
//
// Events: Line for every listing line (in order), Progress in commands answered of commands planned (a
// command counts once the silence after its reply has ended it), Status naming the section and each
// command asked again, Finished after the last section (its note names the commands never answered).

#include "engine/enginebase.h"
#include "transfer/hmiblockcodec.h"
#include "transfer/listingformatter.h"
#include "transfer/transferrequest.h"

namespace korvo {

class UploadEngine : public EngineBase
{
public:
    // How long a cancelled upload reads on at most, waiting for the device to be silent.
    static constexpr int kDrainLimitMs = 2000;

    explicit UploadEngine(TransferRequest request);

    // The sections the device type has (TransferRequest::Section bits).
    static int sectionsOf(DeviceType device);

    void start(qint64 nowMs) override;
    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;
    void outputWritten(qint64 nowMs) override;
    void cancel(qint64 nowMs) override;

    qint64 bytesIn() const { return m_bytesIn; }
    // When the last byte came (or the job started): how long the device has been quiet.
    qint64 lastByteMs() const { return m_lastByteMs; }
    // The section being read, counted from 1, of the sections asked for.
    int sectionNumber() const { return m_sectionNumber; }
    int sectionCount() const { return m_sectionCount; }
    // What became of the rest of the device's answer after a Cancel.
    enum class Drain {
        None,         // not cancelled
        Reading,      // cancelled: reading until the device is silent
        Silent,       // the device fell silent within kDrainLimitMs
        StillSending, // the device was still sending when kDrainLimitMs ran out
        Stopped,      // a second Cancel stopped the reading
    };
    Drain drain() const { return m_drain; }
    // The reply interval of the last command: the silence that ends it.
    int silenceMs() const { return m_intervalMs; }
    // The progress counts blocks of a known number (926Q, HMI); other devices' sections have no known size.
    bool stepsKnown() const
    {
        return m_request.device == DeviceType::Hmi || m_request.device == DeviceType::Q926;
    }

private:
    bool nextSection();
    // 926Q, nothing ticked: the non-volatile memory, block by block.
    void startNvm();
    bool nextBlock();
    void sendCommand(const QByteArray &command, QByteArray header);
    // The command again, for another reading of its reply.
    void askAgain();
    void collectLine(const QByteArray &line);
    void collectHmiBlock();
    // The reply's listing lines: given out at once, or held while they are to be read twice.
    void keep(const QList<QByteArray> &lines);
    void keepHeader();
    void store(const QList<QByteArray> &lines);
    // The device has been silent after a command: true when its reply is taken; false when the command
    // was sent again or the job failed.
    bool replyTaken(qint64 nowMs);
    // "VARIABLES", "PROGRAMS (0-99)", "Block 5": what the command reads, for messages.
    QString stepName() const;
    int plannedCommands(int sections) const;
    int readings() const { return std::max(1, m_request.readings); }

    TransferRequest m_request;
    ListingFormatter m_formatter;
    int m_requested = 0;
    int m_current = 0;
    bool m_sequence = false; // a 926Q or HMI block sequence is running
    int m_block = 0;
    int m_lastBlock = 0;
    bool m_hmiBlockTaken = false;
    Drain m_drain = Drain::None;
    qint64 m_drainEndMs = 0; // the latest a cancelled upload reads on
    QByteArray m_buffer;
    QByteArray m_pendingHeader;
    // The command being read: what went out (asked again as it stands), the text its echo ends in, and the
    // formatter as it was before the reply, so another reading starts from the same state.
    QByteArray m_sent;
    QByteArray m_command;
    ListingFormatter m_formatterBefore;
    bool m_echoSeen = false;
    bool m_headerHeld = false; // echo seen, header not stored yet: a "?" after the echo leaves nothing
    bool m_given = false;      // some of this reply's lines are given out: it cannot be read again
    QString m_problem;         // what spoiled this reading
    int m_tries = 0;           // readings of this command that went wrong
    QList<QByteArray> m_reply; // this reading's lines, held while reading twice
    int m_readings = 0;        // of this command, when more than one is asked for
    int m_agreeing = 0;        // readings in a row that agree, the last one included
    QList<QByteArray> m_lastReading;
    QString m_difference;     // where the last two readings that differed differ
    QStringList m_unanswered; // the commands the device never answered, for the note at the end
    int m_intervalMs = 0;
    qint64 m_commandsSent = 0;
    qint64 m_commandsPlanned = 0;
    qint64 m_bytesIn = 0;
    qint64 m_lastByteMs = 0;
    int m_sectionNumber = 0;
    int m_sectionCount = 0;
};

} // namespace korvo
