#include "programfile.h"

#include "app/atomicfile.h"
#include "app/cp1252.h"
#include "app/texthelpers.h"
#include "app/wholefile.h"

#include <array>

namespace korvo {

bool readProgramFileUtf8(const QString &path, QByteArray *utf8, QString *error)
{
    QByteArray bytes;
    if (!readWholeFile(path, FileKind::Program, &bytes, error))
        return false;
    // UTF-8 of each byte above 127, from the code page's own decoding.
    static const std::array<QByteArray, 128> high = [] {
        std::array<QByteArray, 128> table;
        for (int b = 0; b < 128; ++b) {
            const char byte = static_cast<char>(0x80 + b);
            table[b] = decodeCp1252(&byte, 1).toUtf8();
        }
        return table;
    }();
    utf8->clear();
    utf8->reserve(bytes.size() + bytes.size() / 8);
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype run = 0; // start of the current run of ASCII bytes
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte < 0x80)
            continue;
        utf8->append(data + run, i - run);
        utf8->append(high[byte - 0x80]);
        run = i + 1;
    }
    utf8->append(data + run, size - run);
    return true;
}

QStringList editorLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    lines.append(text.mid(start));
    return lines;
}

namespace {
// Characters typed that the code page lacks are written as "?", as a Windows editor would.
QByteArray encodeLine(const QString &line)
{
    if (std::optional<QByteArray> bytes = encodeCp1252(line))
        return *bytes;
    QByteArray bytes;
    for (const QChar c : line)
        bytes.append(encodeCp1252(QString(c)).value_or(QByteArray("?")));
    return bytes;
}
} // namespace

QByteArray programFileBytes(const QStringList &lines)
{
    qsizetype count = lines.size();
    if (count > 0 && lines.last().isEmpty())
        --count;
    QByteArray bytes;
    qsizetype total = 0;
    for (qsizetype n = 0; n < count; ++n)
        total += lines[n].size() + 2;
    bytes.reserve(total);
    for (qsizetype n = 0; n < count; ++n) {
        const QString &line = lines[n];
        qsizetype length = line.size();
        while (length > 0 && line.at(length - 1) == QLatin1Char(' '))
            --length;
        bytes.append(encodeLine(line.left(length)));
        bytes.append("\r\n", 2);
    }
    return bytes;
}

bool writeProgramFile(const QString &path, const QByteArray &content, KeepBackup backup, QString *error)
{
    AtomicFile file(path);
    if (backup == KeepBackup::Yes)
        file.setBackupPath(backupFileName(path));
    if (file.write(content))
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace korvo
