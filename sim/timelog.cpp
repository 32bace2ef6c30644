#include "sim/timelog.h"

namespace korvo {

TimeLog::TimeLog()
{
    m_clock.start();
}

bool TimeLog::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return true;
    *error = m_file.errorString();
    return false;
}

void TimeLog::record(const QByteArray &bytes)
{
    record(bytes, m_clock.elapsed());
}

void TimeLog::record(const QByteArray &bytes, qint64 ms)
{
    if (!m_file.isOpen() || bytes.isEmpty())
        return;
    const QByteArray stamp = QByteArray::number(ms) + ' ';
    QByteArray lines;
    for (const char c : bytes)
        lines += stamp + QByteArray(1, c).toHex().toUpper() + '\n';
    m_file.write(lines);
}

void TimeLog::note(const QByteArray &text)
{
    note(text, m_clock.elapsed());
}

void TimeLog::note(const QByteArray &text, qint64 ms)
{
    if (m_file.isOpen())
        m_file.write(QByteArray::number(ms) + ' ' + text + '\n');
}

} // namespace korvo
