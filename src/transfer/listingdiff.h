#pragma once

// Verify: the sections of a listing as they were sent against the same sections uploaded again, line by
// line (trailing blanks do not count), as rows for a side-by-side view or as a unified diff.

#include "app/devicecatalogue.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace korvo {

class ListingDiff
{
public:
    struct Row
    {
        int leftLine = 0; // 1-based; 0 where the side has no line
        int rightLine = 0;
        QString left;
        QString right;
    };

    // The requested sections (0: the whole listing) of source and uploaded, compared.
    static ListingDiff compare(const QList<QByteArray> &source, const QList<QByteArray> &uploaded,
                               DeviceType device, int sections);

    bool identical() const { return m_rows.isEmpty(); }
    // Only the rows that differ.
    const QList<Row> &rows() const { return m_rows; }
    QString unified(const QString &leftName, const QString &rightName) const;

private:
    QList<Row> m_rows;
};

} // namespace korvo
