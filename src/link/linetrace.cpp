#include "linetrace.h"

#include "app/clock.h"

namespace korvo {

LineTrace::LineTrace(Clock &clock, qsizetype capacity)
    : m_clock(clock), m_startNs(clock.nowNs()), m_capacity(capacity)
{
}

void LineTrace::record(TraceEvent::Kind kind, const QByteArray &data)
{
    TraceEvent event{(m_clock.nowNs() - m_startNs) / 1000, kind, data};
    ++m_total;
    if (size() < m_capacity) {
        m_events.push_back(std::move(event));
        return;
    }
    m_events[size_t(m_oldest)] = std::move(event);
    m_oldest = (m_oldest + 1) % m_capacity;
}

void LineTrace::clear()
{
    m_events.clear();
    m_oldest = 0;
}

const TraceEvent &LineTrace::at(qsizetype i) const
{
    return m_events[size_t((m_oldest + i) % size())];
}

namespace {

QString traceTime(qint64 timeUs)
{
    return QStringLiteral("%1.%2").arg(timeUs / 1'000'000).arg(timeUs % 1'000'000, 6, 10, QLatin1Char('0'));
}

QString traceDirection(TraceEvent::Kind kind)
{
    switch (kind) {
    case TraceEvent::Kind::Sent:
        return QStringLiteral("TX");
    case TraceEvent::Kind::Received:
        return QStringLiteral("RX");
    case TraceEvent::Kind::JobStart:
    case TraceEvent::Kind::JobEnd:
        break;
    }
    return QStringLiteral("--");
}

QString traceHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString traceText(const QByteArray &bytes)
{
    QString text(bytes.size(), u'.');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] >= 0x20 && bytes[i] < 0x7f)
            text[i] = QLatin1Char(bytes[i]);
    return text;
}

QString traceMarker(const TraceEvent &event)
{
    return (event.kind == TraceEvent::Kind::JobStart ? QStringLiteral("start ") : QStringLiteral("end ")) +
           QString::fromUtf8(event.data);
}

} // namespace

QStringList traceRows(const TraceEvent &event)
{
    const QString head =
        QStringLiteral("%1  %2  ").arg(traceTime(event.timeUs), 12).arg(traceDirection(event.kind));
    if (event.kind == TraceEvent::Kind::JobStart || event.kind == TraceEvent::Kind::JobEnd)
        return {head + traceMarker(event)};
    QStringList rows;
    for (qsizetype at = 0; at < event.data.size(); at += kTraceRowBytes) {
        const QByteArray row = event.data.mid(at, kTraceRowBytes);
        rows.append(head + traceHex(row).leftJustified(3 * kTraceRowBytes + 1) + traceText(row));
    }
    return rows;
}

QByteArray traceLog(const LineTrace &trace)
{
    QString log =
        QStringLiteral("# seconds since the trace began; TX sent, RX received, -- a job's start or end; "
                       "hex; text\n");
    for (qsizetype i = 0; i < trace.size(); ++i)
        for (const QString &row : traceRows(trace.at(i)))
            log += row + u'\n';
    return log.toUtf8();
}

} // namespace korvo
