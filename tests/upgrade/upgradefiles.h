#pragma once

// Upgrade files made up for tests and benchmarks: records with their checksums, and the image a controller
// must hold after a complete transfer of them.

#include "upgrade/upgradeidentity.h"
#include "upgrade/upgradeplan.h"

#include <QByteArray>
#include <QList>

namespace korvo {

struct TestRecord
{
    int bank = 0;
    int address = 0;
    QByteArray data;
};

inline QByteArray hexRecord(int type, int address, const QByteArray &data)
{
    const QByteArray line = ':' + QByteArray::number(data.size(), 16).rightJustified(2, '0') +
                            QByteArray::number(address, 16).rightJustified(4, '0') +
                            QByteArray::number(type, 16).rightJustified(2, '0') + data.toHex() + "00";
    return withChecksum(line.toUpper());
}

// Data of a record: bytes that differ from record to record.
inline QByteArray patternBytes(int seed, int count)
{
    QByteArray bytes(count, '\0');
    for (int i = 0; i < count; ++i)
        bytes[i] = char((seed * 31 + i * 7) & 0xFF);
    return bytes;
}

// The file's text: the records in order, a bank select before each change of bank, the end record last.
inline QByteArray upgradeText(const QList<TestRecord> &records)
{
    QByteArray text;
    int bank = -1;
    for (const TestRecord &record : records) {
        if (record.bank != bank) {
            bank = record.bank;
            text += QByteArray(bank ? kUpperBankRecord : kLowerBankRecord) + "\r\n";
        }
        text += hexRecord(0, record.address, record.data) + "\r\n";
    }
    return text + kEndRecord + "\r\n";
}

// A Veltor/Fendra file: lower-bank code, upper-bank code, version 3.005 at FF60 and kind letter at FF70.
inline QList<TestRecord> orvBrelRecords(char kind = 'I', int lowerRecords = 16)
{
    QList<TestRecord> records;
    for (int i = 0; i < lowerRecords; ++i)
        records.append({0, i * 16, patternBytes(i, 16)});
    for (int i = 0; i < 4; ++i)
        records.append({1, 0xFF00 + i * 16, patternBytes(100 + i, 16)});
    records.append({1, 0xFF60, QByteArray::fromHex("03000500")});
    records.append({1, 0xFF70, QByteArray(1, kind) + QByteArray(5, '\0')});
    return records;
}

// A uKorvo file: the lower 32 KB (never sent), code above 8000, the upper bank and the FFE4 version record
// with core 1.000 and firmware 2.500.
inline QList<TestRecord> uKorvoRecords(const QByteArray &core = QByteArray::fromHex("0000803F"))
{
    QList<TestRecord> records;
    for (int i = 0; i < 4; ++i)
        records.append({0, i * 16, patternBytes(i, 16)});
    for (int i = 0; i < 6; ++i)
        records.append({0, 0x8000 + i * 16, patternBytes(10 + i, 16)});
    for (int i = 0; i < 3; ++i)
        records.append({1, i * 16, patternBytes(20 + i, 16)});
    records.append({1, 0xFFE4, core + QByteArray::fromHex("00002040") + QByteArray(16, 'x')});
    return records;
}

// The image after a complete transfer: uKorvo without the lower 32 KB and with the identity area written
// (from the identity record and into the FFE4 record, byte 23 zero).
inline QByteArray expectedImage(const QList<TestRecord> &records, bool uKorvo, const QByteArray &areaHex = {})
{
    QByteArray image(0x20000, char(0xFF));
    for (const TestRecord &record : records)
        if (!uKorvo || record.bank == 1 || record.address >= 0x8000)
            image.replace(record.bank * 0x10000 + record.address, record.data.size(), record.data);
    if (uKorvo)
        image.replace(0x1FFEC, 16, QByteArray::fromHex(areaHex));
    return image;
}

} // namespace korvo
