#include "transfer/listingreader.h"

#include "app/devicecatalogue.h"
#include "transfer/transferrequest.h"

namespace korvo {

bool ListingReader::splitLines(const QByteArray &text, QList<QByteArray> *lines, QString *error)
{
    lines->clear();
    if (const qsizetype nul = text.indexOf('\0'); nul >= 0) {
        *error = QStringLiteral("It holds a NUL byte (line %1): it is not a listing.")
                     .arg(text.left(nul).count('\n') + 1);
        return false;
    }
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        // A line past the limit is refused as soon as it is one: a 100 MB line is not scanned to its end.
        while (end < size && end - start <= kMaxLineLength && text[end] != '\r' && text[end] != '\n')
            ++end;
        if (end - start > kMaxLineLength) {
            *error = QStringLiteral("Line %1 is longer than %2 characters: it is not a listing.")
                         .arg(lines->size() + 1)
                         .arg(kMaxLineLength);
            lines->clear();
            return false;
        }
        lines->append(text.mid(start, end - start));
        if (end < size && text[end] == '\r' && end + 1 < size && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return true;
}

int ListingReader::headerKind(DeviceType device, const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith("'["))
        return 0;
    QByteArray word = trimmed.mid(2).toUpper();
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (word[i] == ']' || word[i] == ' ' || word[i] == '(') {
            word.truncate(i);
            break;
        }
    }
    if (word == "END")
        return kEnd;
    if (device == DeviceType::Q926) {
        if (word == "MICRO-POSITION")
            return TransferRequest::Variables;
        if (word == "VARIABLES")
            return TransferRequest::Flags;
        if (word == "NVM")
            return kOther;
    } else if (device == DeviceType::Hmi) {
        if (word == "REGISTERS")
            return TransferRequest::Variables;
        if (word == "PARAMETERS")
            return TransferRequest::Flags;
        if (word == "PROGRAM")
            return TransferRequest::Programs;
    } else {
        if (word == "VARIABLES")
            return TransferRequest::Variables;
        if (word == "FLAGS")
            return TransferRequest::Flags;
    }
    return word == "PROGRAMS" ? int(TransferRequest::Programs) : 0;
}

ListingReader::Selection ListingReader::select(const QList<QByteArray> &lines, DeviceType device,
                                               int sections)
{
    Selection selection;
    if (sections == 0) {
        selection.lines = lines;
        return selection;
    }
    int remaining = sections;
    while (remaining != 0) {
        qsizetype at = -1;
        int kind = 0;
        for (qsizetype i = 0; i < lines.size() && at < 0; ++i) {
            kind = headerKind(device, lines[i]);
            if (kind & remaining & 7)
                at = i;
        }
        if (at < 0)
            break;
        remaining &= ~kind;
        selection.found |= kind;
        for (qsizetype i = at + 1; i < lines.size(); ++i) {
            const int next = headerKind(device, lines[i]);
            // Blocks of one section (926Q) follow each other under headers of their own.
            if (next == kind)
                continue;
            if (next != 0)
                break;
            if (i == at + 1 && kind == TransferRequest::Programs) {
                const QByteArray lower = lines[i].toLower();
                const qsizetype pgm = lower.indexOf("pgm");
                if (pgm >= 0 && lines[i].size() > pgm + 3)
                    selection.programName = QString::fromLatin1(lines[i].mid(pgm + 3).trimmed());
            }
            selection.lines.append(lines[i]);
        }
    }
    return selection;
}

} // namespace korvo
