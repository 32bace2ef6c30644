#include "transfer/listingdiff.h"

#include "app/cp1252.h"
#include "transfer/listingreader.h"

#include <vector>

namespace korvo {

namespace {
QList<QByteArray> normalised(const QList<QByteArray> &lines)
{
    QList<QByteArray> out;
    out.reserve(lines.size());
    for (QByteArray line : lines) {
        while (line.endsWith(' ') || line.endsWith('\t'))
            line.chop(1);
        out.append(line);
    }
    // Empty lines at the end are the file's, not the device's.
    while (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

QString text(const QByteArray &line)
{
    return decodeCp1252(line.constData(), line.size());
}
} // namespace

ListingDiff ListingDiff::compare(const QList<QByteArray> &source, const QList<QByteArray> &uploaded,
                                 DeviceType device, int sections)
{
    const QList<QByteArray> a = normalised(ListingReader::select(source, device, sections).lines);
    const QList<QByteArray> b = normalised(ListingReader::select(uploaded, device, sections).lines);
    // Common prefix and suffix first: a verify mostly compares equal listings.
    qsizetype head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    qsizetype tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const qsizetype n = a.size() - head - tail;
    const qsizetype m = b.size() - head - tail;
    // Longest common subsequence of the middle parts.
    std::vector<std::vector<int>> lcs(size_t(n + 1), std::vector<int>(size_t(m + 1), 0));
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            lcs[i][j] =
                a[head + i] == b[head + j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
    ListingDiff diff;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[head + i] == b[head + j]) {
            ++i;
            ++j;
        } else if (i < n && j < m && lcs[i + 1][j + 1] == lcs[i][j]) {
            // A changed line: shown side by side.
            diff.m_rows.append({int(head + i + 1), int(head + j + 1), text(a[head + i]), text(b[head + j])});
            ++i;
            ++j;
        } else if (j >= m || (i < n && lcs[i + 1][j] >= lcs[i][j + 1])) {
            diff.m_rows.append({int(head + i + 1), 0, text(a[head + i]), {}});
            ++i;
        } else {
            diff.m_rows.append({0, int(head + j + 1), {}, text(b[head + j])});
            ++j;
        }
    }
    return diff;
}

QString ListingDiff::unified(const QString &leftName, const QString &rightName) const
{
    QString out = QStringLiteral("--- %1\n+++ %2\n").arg(leftName, rightName);
    for (const Row &row : m_rows) {
        out += QStringLiteral("@@ -%1 +%2 @@\n").arg(row.leftLine).arg(row.rightLine);
        if (row.leftLine > 0)
            out += u'-' + row.left + u'\n';
        if (row.rightLine > 0)
            out += u'+' + row.right + u'\n';
    }
    return out;
}

} // namespace korvo
