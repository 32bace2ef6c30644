#pragma once

// Upload from a device: one command per section (or per memory block on 926Q and HMI devices), the reply
// lines turned into listing lines, and the next command when the device has been silent for the reply
// interval. A dead device still gives a listing of headers. Reply lines split across reads are joined;
// an HMI block with a wrong check byte is asked for again.
//
// A 926Q with nothing ticked gives its whole non-volatile memory in blocks under "'[NVM (...)]" headers.
//
// Cancel stops the listing at once but keeps the link until the device has been silent for the reply
// interval: the rest of its answer to the cancelled command is read and dropped rather than left to flood
// the terminal. A second Cancel stops waiting.
//
// Events: Line for every listing line (in order), Progress in commands answered of commands planned (a
// command counts once the silence after its reply has ended it), Status naming the section, Finished
// after the last section.

#include "engine/enginebase.h"
#include "transfer/hmiblockcodec.h"
#include "transfer/listingformatter.h"
#include "transfer/transferrequest.h"

namespace korvo {

class UploadEngine : public EngineBase
{
public:
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
    // Cancelled, and the device was then silent for the reply interval (not stopped by a second Cancel).
    bool drained() const { return m_drained; }
    // The reply interval of the last command: the silence that ends it.
    int silenceMs() const { return m_intervalMs; }

private:
    bool nextSection();
    // 926Q, nothing ticked: the non-volatile memory, block by block.
    void startNvm();
    bool nextBlock();
    void sendCommand(const QByteArray &command, QByteArray header);
    void collectLine(const QByteArray &line);
    void collectHmiBlock();
    void store(const QList<QByteArray> &lines);
    int plannedCommands(int sections) const;

    TransferRequest m_request;
    ListingFormatter m_formatter;
    int m_requested = 0;
    int m_current = 0;
    bool m_sequence = false; // a 926Q or HMI block sequence is running
    int m_block = 0;
    int m_lastBlock = 0;
    int m_lineSkip = 1;
    bool m_hmiHeaderDone = false;
    bool m_hmiBlockTaken = false;
    bool m_draining = false; // cancelled: waiting for the device to be silent
    bool m_drained = false;
    QByteArray m_buffer;
    QByteArray m_pendingHeader;
    int m_intervalMs = 0;
    qint64 m_commandsSent = 0;
    qint64 m_commandsPlanned = 0;
    qint64 m_bytesIn = 0;
    qint64 m_lastByteMs = 0;
    int m_sectionNumber = 0;
    int m_sectionCount = 0;
};

} // namespace korvo
