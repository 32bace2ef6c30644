// korvo-sim --log-times: one line per received byte, or per injected fault, with its time, in the file at
// once.

#include "sim/timelog.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

class TstTimeLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachByteIsALineWithItsArrivalTime()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("times.log"));
        TimeLog log;
        QString error;
        QVERIFY2(log.open(path, &error), qPrintable(error));
        log.record("AB", 0);
        log.record(QByteArray("\r\0", 2), 1050);
        log.record({}, 2000);
        log.note("fault to-device #2 drop 0D", 1100);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 QByteArray("0 41\n0 42\n1050 0D\n1050 00\n1100 fault to-device #2 drop 0D\n"));

        // Live times never run backwards.
        log.record("x");
        log.record("y");
        file.seek(0);
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY(lines.at(6).split(' ').first().toLongLong() >= lines.at(5).split(' ').first().toLongLong());
    }

    void aFileThatCannotBeOpenedSaysWhy()
    {
        QTemporaryDir dir;
        TimeLog log;
        QString error;
        QVERIFY(!log.open(dir.path(), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstTimeLog)
#include "tst_timelog.moc"
