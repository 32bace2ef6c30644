#include "spi/spilog.h"

#include "spi/spimessage.h"

#include <QSaveFile>

namespace korvo {

bool SpiLog::append(const SpiExchange &exchange, const QDateTime &at)
{
    m_entries.push_back({at, exchange.messageMs, spiExchangeLines(exchange.sent, exchange.received)});
    if (m_entries.size() <= kMaxExchanges)
        return false;
    m_entries.pop_front();
    return true;
}

QString SpiLog::gutterText(const Entry &entry)
{
    return QStringLiteral("%1 %2 ms")
        .arg(entry.at.toString(QStringLiteral("HH:mm:ss.zzz")))
        .arg(entry.messageMs, 8, 'f', 2);
}

QString SpiLog::text() const
{
    QString out;
    for (const Entry &entry : m_entries) {
        const QString gutter = gutterText(entry);
        const QString blank(gutter.size(), u' ');
        for (qsizetype i = 0; i < entry.lines.size(); ++i)
            out += (i == 0 ? gutter : blank) + QStringLiteral("  ") + entry.lines[i] + QStringLiteral("\r\n");
    }
    return out;
}

bool SpiLog::save(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    file.write(text().toUtf8());
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace korvo
