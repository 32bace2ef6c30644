#pragma once

// The SPI window's exchange log: the last 10,000 exchanges, each with its time of day and message time.
// The window shows the exchange lines with a gutter beside them; Save Log writes both.

#include "spi/spisendengine.h"

#include <QDateTime>
#include <deque>

namespace korvo {

class SpiLog
{
public:
    static constexpr std::size_t kMaxExchanges = 10000;

    struct Entry
    {
        QDateTime at;
        double messageMs = 0;
        QStringList lines;
    };

    // Adds an exchange; true when the oldest one was dropped to make room.
    bool append(const SpiExchange &exchange, const QDateTime &at);
    void clear() { m_entries.clear(); }
    const std::deque<Entry> &entries() const { return m_entries; }

    // "14:03:07.250   3.21 ms": the gutter beside an exchange's first line.
    static QString gutterText(const Entry &entry);
    // The whole log as text: every line with the gutter on its exchange's first line, CR LF line ends.
    QString text() const;
    // Written beside and renamed over path; false with the OS's description in *error.
    bool save(const QString &path, QString *error) const;

private:
    std::deque<Entry> m_entries;
};

} // namespace korvo
