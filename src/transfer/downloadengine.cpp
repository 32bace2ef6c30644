#include "transfer/downloadengine.h"

#include "app/cp1252.h"
#include "transfer/listingformatter.h"

namespace korvo {

DownloadEngine::DownloadEngine(QList<QByteArray> lines, TransferRequest request)
    : m_lines(std::move(lines)), m_request(std::move(request))
{
    m_prefix = encodeCp1252(m_request.deviceAddress).value_or(m_request.deviceAddress.toLatin1());
    for (const QByteArray &line : std::as_const(m_lines))
        m_bytesTotal += m_prefix.size() + line.size() + 1;
}

void DownloadEngine::start(qint64 nowMs)
{
    m_lastEchoMs = nowMs;
    emitStatus(QStringLiteral("Downloading"));
    emitProgress(0, m_lines.size());
    if (m_lines.isEmpty()) {
        finish();
        return;
    }
    sendLine(m_lines[m_next++], nowMs);
}

void DownloadEngine::sendLine(const QByteArray &line, qint64 nowMs)
{
    if (m_request.echoTimeoutMs > 0)
        setDeadline(nowMs + m_request.echoTimeoutMs);
    m_pendingLine = line;
    trackProgramMode(line);
    const QByteArray bytes = m_prefix + line + m_request.lineEnd();
    m_pendingBytes = bytes.size();
    sendPaced(bytes, m_request.lineEnd());
}

void DownloadEngine::trackProgramMode(const QByteArray &line)
{
    const QByteArray word = ListingFormatter::programWord(m_request.device);
    if (word.isEmpty())
        return;
    const QList<QByteArray> parts = line.simplified().split(' ');
    if (parts.first().compare(word, Qt::CaseInsensitive) == 0)
        m_programMode = parts.size() > 1; // "PGM 100" enters program mode, a bare "PGM" leaves it
}

QString DownloadEngine::programModeNote() const
{
    if (!m_programMode || m_closing)
        return {};
    return QStringLiteral(
               "The controller is left in program mode: send the line \"%1\" to close the program.")
        .arg(QString::fromLatin1(m_prefix + ListingFormatter::programWord(m_request.device)));
}

void DownloadEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    if (isFinished() || !data.contains(m_request.lineEnd()))
        return;
    m_lastEchoMs = nowMs;
    if (m_closing) {
        emitProgress(m_lines.size() + 1, m_lines.size() + 1);
        finish();
        return;
    }
    ++m_echoed;
    m_bytesDone += m_pendingBytes;
    // A program left open is closed by one more line, so the bar is not full before that one's echo.
    const bool closes = m_next == m_lines.size() && m_programMode;
    emitProgress(m_echoed, m_lines.size() + (closes ? 1 : 0));
    if (m_next < m_lines.size()) {
        sendLine(m_lines[m_next++], nowMs);
    } else if (m_programMode) {
        m_closing = true;
        sendLine(ListingFormatter::programWord(m_request.device), nowMs);
    } else {
        finish();
    }
}

void DownloadEngine::timerFired(qint64 nowMs)
{
    (void)nowMs;
    if (isFinished() || m_request.echoTimeoutMs <= 0)
        return;
    // The line is counted in what was sent: the closing program word comes after the listing's lines.
    fail(QStringLiteral("No echo of line %1 (\"%2\") within %3 s")
             .arg(m_closing ? m_next + 1 : m_next)
             .arg(decodeCp1252(m_pendingLine.constData(), m_pendingLine.size()))
             .arg(m_request.echoTimeoutMs / 1000.0));
}

void DownloadEngine::writeFailed(const QString &reason, qint64 nowMs)
{
    (void)nowMs;
    // The line may still have reached the device; the next echo moves the job on.
    emitStatus(reason);
}

} // namespace korvo
