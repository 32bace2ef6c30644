#pragma once

// Download to a device: the listing's lines one at a time, each sent once the device has echoed the
// previous line's end, so the device sets the pace. A device that never echoes keeps the job waiting
// until Cancel, unless the request sets an echo time-out, which then ends the job naming the line whose
// echo did not come. A failed write is reported and the job goes on with the next echo.
//
// The echo is checked, not only counted: a line whose echo differs from it (noise on the way there or
// back), or that the device answers with "?", ends the job naming the line, since the device may hold it
// damaged or not at all. After the last echo the job waits for the device to be silent for a moment, so
// that a "?" to the last line is seen too.
// A listing that leaves the device in program mode ("PGM 100" without the closing "PGM") is closed
// with the program word.
//
// Events: Progress in lines echoed of lines to send, Status for a failed write, Finished.

#include "engine/enginebase.h"
#include "transfer/transferrequest.h"

#include <QList>

namespace korvo {

class DownloadEngine : public EngineBase
{
public:
    DownloadEngine(QList<QByteArray> lines, TransferRequest request);

    bool showsReceived() const override { return true; }
    void start(qint64 nowMs) override;
    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;
    void writeFailed(const QString &reason, qint64 nowMs) override;

    qint64 linesDone() const { return m_echoed; }
    qint64 linesTotal() const { return m_lines.size(); }
    qint64 bytesDone() const { return m_bytesDone; }
    qint64 bytesTotal() const { return m_bytesTotal; }
    // When the last echo (or the start) was: the dialog shows how long the device has been quiet.
    qint64 lastEchoMs() const { return m_lastEchoMs; }
    // Stopped between a program's opening line and its close: the note that says so and names the line
    // the user can send to close the program; empty otherwise.
    QString programModeNote() const;

private:
    void sendLine(const QByteArray &line, qint64 nowMs);
    // One piece of the device's output up to a line end: the echo of the line sent, an empty piece (a
    // doubled line end), or the device's answer to the line before. False when the job has ended.
    bool takeEcho(const QByteArray &piece, qint64 nowMs);
    void echoed(qint64 nowMs);
    void trackProgramMode(const QByteArray &line);

    QList<QByteArray> m_lines;
    TransferRequest m_request;
    QByteArray m_prefix;
    qsizetype m_next = 0;
    qint64 m_echoed = 0;
    qint64 m_bytesDone = 0;
    qint64 m_bytesTotal = 0;
    qint64 m_lastEchoMs = 0;
    qint64 m_pendingBytes = 0;
    QByteArray m_pendingLine; // the line whose echo is awaited
    qsizetype m_pendingNumber = 0;
    qsizetype m_lastNumber = 0;
    QByteArray m_echo;       // the device's output since its last line end
    QByteArray m_lastLine;   // the line echoed last: a "?" after its echo refuses it
    bool m_settling = false; // every line echoed: waiting for the device to be silent
    int m_settleMs = 0;
    bool m_programMode = false;
    bool m_closing = false;
};

} // namespace korvo
