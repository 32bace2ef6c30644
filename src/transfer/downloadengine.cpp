#include "transfer/downloadengine.h"

#include "app/cp1252.h"
#include "transfer/listingformatter.h"

#include <algorithm>
#include <cctype>

namespace korvo {

namespace {
constexpr qsizetype kMaxEcho = 64 * 1024; // a longer run without a line end is noise; its end is compared

// What comes before a line's echo is the device's prompt character (and the address it echoes): no letter
// or digit, and not the line's first character, which is what a doubled first byte looks like.
bool promptOnly(QByteArray before, const QByteArray &address, const QByteArray &line)
{
    if (before.endsWith(address))
        before.chop(address.size());
    const bool text = std::any_of(before.cbegin(), before.cend(),
                                  [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
    return !text && (line.isEmpty() || !before.endsWith(line.front()));
}

// "line 5 ("VA A = 1")".
QString lineName(qsizetype number, const QByteArray &line)
{
    return QStringLiteral("line %1 (\"%2\")").arg(number).arg(decodeCp1252(line.constData(), line.size()));
}
} // namespace

DownloadEngine::DownloadEngine(QList<QByteArray> lines, TransferRequest request)
    : m_lines(std::move(lines)), m_request(std::move(request))
{
    m_prefix = encodeCp1252(m_request.deviceAddress).value_or(m_request.deviceAddress.toLatin1());
    for (const QByteArray &line : std::as_const(m_lines))
        m_bytesTotal += m_prefix.size() + line.size() + 1;
    // A refusal ("?", its line end and the prompt) comes right after the echo: the time those take on the
    // wire is waited for after the last one, and a little more, not a whole reply interval.
    m_settleMs = shortAnswerMs(m_request.timing, 4);
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
    // Lines are counted in what is sent: the closing program word comes after the listing's lines.
    m_pendingNumber = m_closing ? m_lines.size() + 1 : m_next;
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
    if (isFinished())
        return;
    const char lineEnd = m_request.lineEnd();
    for (const char byte : data) {
        if (byte != lineEnd) {
            // The other line-end character and the device's prompt are no part of what is compared.
            if (byte != '\r' && byte != '\n')
                m_echo += byte;
            if (m_echo.size() > 2 * kMaxEcho)
                m_echo = m_echo.right(kMaxEcho);
            continue;
        }
        if (!takeEcho(std::exchange(m_echo, QByteArray()), nowMs))
            return;
    }
    if (m_settling)
        setDeadline(nowMs + m_settleMs);
}

bool DownloadEngine::takeEcho(const QByteArray &piece, qint64 nowMs)
{
    if (piece.trimmed() == "?" && !m_lastLine.isNull()) {
        fail(QStringLiteral("The device answered \"?\" to %1").arg(lineName(m_lastNumber, m_lastLine)));
        return false;
    }
    if (m_settling) {
        if (piece.isEmpty())
            return true;
        fail(QStringLiteral("The device answered \"%1\" after %2")
                 .arg(decodeCp1252(piece.constData(), piece.size()), lineName(m_lastNumber, m_lastLine)));
        return false;
    }
    // The device echoes what it takes of the line, control characters apart; before it may come its
    // prompt and the address.
    QByteArray expected = m_pendingLine;
    expected.removeIf([](char c) { return static_cast<unsigned char>(c) < 32 || c == '\x7f'; });
    if (!piece.endsWith(expected) || !promptOnly(piece.chopped(expected.size()), m_prefix, expected)) {
        // A doubled line end gives an empty piece before the echo.
        if (piece.isEmpty())
            return true;
        fail(QStringLiteral("The echo of %1 came back as \"%2\": the device may hold the line damaged")
                 .arg(lineName(m_pendingNumber, m_pendingLine),
                      decodeCp1252(piece.constData(), piece.size())));
        return false;
    }
    echoed(nowMs);
    return !isFinished();
}

void DownloadEngine::echoed(qint64 nowMs)
{
    m_lastEchoMs = nowMs;
    m_lastLine = m_pendingLine;
    m_lastNumber = m_pendingNumber;
    if (m_closing) {
        emitProgress(m_lines.size() + 1, m_lines.size() + 1);
        m_settling = true;
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
        m_settling = true;
    }
}

void DownloadEngine::timerFired(qint64 nowMs)
{
    (void)nowMs;
    if (isFinished())
        return;
    if (m_settling) {
        finish();
        return;
    }
    if (m_request.echoTimeoutMs <= 0)
        return;
    fail(QStringLiteral("No echo of %1 within %2 s")
             .arg(lineName(m_pendingNumber, m_pendingLine))
             .arg(m_request.echoTimeoutMs / 1000.0));
}

void DownloadEngine::writeFailed(const QString &reason, qint64 nowMs)
{
    (void)nowMs;
    // The line may still have reached the device; the next echo moves the job on.
    emitStatus(reason);
}

} // namespace korvo
