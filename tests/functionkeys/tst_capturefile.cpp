// The capture file on a real file system: exact bytes, on disk at once, pause and resume on one file,
// failures with the OS's reason, and where the default capture file goes.

#include "filebytes.h"
#include "functionkeys/capturefile.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

using namespace korvo;

namespace {
// Missing and empty differ here.
QByteArray contents(const QString &path)
{
    return fileBytes(path, "<unreadable>");
}
} // namespace

class TstCaptureFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void receivedBytesReachTheFileExactlyAndAtOnce();
    void pauseKeepsOneFileStopClosesItAndStartingAgainReplacesIt();
    void aFileThatCannotBeOpenedLeavesCaptureOffWithTheReason();
    void aFullDiskTurnsCaptureOffWithTheReason();
};

void TstCaptureFile::receivedBytesReachTheFileExactlyAndAtOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Capture.txt"));
    CaptureFile capture;
    QVERIFY(capture.start(path));
    const QList<QByteArray> notifications{QByteArray("V1=12\r"), QByteArray("\n>", 2),
                                          QByteArray("\0\xff\x80\r\r\n", 6), QByteArray("<0D>")};
    QByteArray expected;
    for (const QByteArray &bytes : notifications) {
        QVERIFY(capture.write(bytes));
        expected += bytes;
        // Read by another handle while capture is still open: nothing waits in a buffer of ours.
        QCOMPARE(contents(path), expected);
    }
    capture.stop();
    QCOMPARE(contents(path), expected);
}

void TstCaptureFile::pauseKeepsOneFileStopClosesItAndStartingAgainReplacesIt()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older capture that is replaced");
    old.close();

    CaptureFile capture;
    QSignalSpy changes(&capture, &CaptureFile::stateChanged);
    QVERIFY(capture.start(path));
    capture.write("a");
    capture.setPaused(true);
    capture.write("b");
    capture.setPaused(false);
    capture.write("c");
    capture.stop();
    capture.write("d");
    QCOMPARE(contents(path), QByteArray("ac"));
    QCOMPARE(capture.fileName(), path);

    QVERIFY(capture.start(path));
    QCOMPARE(contents(path), QByteArray());
    capture.stop();
    const QList<CaptureFile::State> expected{CaptureFile::State::On, CaptureFile::State::Paused,
                                             CaptureFile::State::On, CaptureFile::State::Off,
                                             CaptureFile::State::On, CaptureFile::State::Off};
    QCOMPARE(changes.size(), expected.size());
    for (qsizetype i = 0; i < changes.size(); ++i)
        QCOMPARE(changes.at(i).at(0).value<CaptureFile::State>(), expected.at(i));
}

void TstCaptureFile::aFileThatCannotBeOpenedLeavesCaptureOffWithTheReason()
{
    QTemporaryDir dir;
    CaptureFile capture;
    QVERIFY(capture.start(dir.filePath(QStringLiteral("first.txt"))));
    // A directory of that name, then a folder that does not exist.
    for (const QString &path : {dir.path(), dir.filePath(QStringLiteral("missing/Capture.txt"))}) {
        QVERIFY(!capture.start(path));
        QCOMPARE(capture.state(), CaptureFile::State::Off);
        const QStringList parts = capture.errorText().split(QStringLiteral("\r\n"));
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts.first(), QDir::toNativeSeparators(path));
        QVERIFY(!parts.last().isEmpty());
        QVERIFY(capture.write("ignored"));
    }
}

void TstCaptureFile::aFullDiskTurnsCaptureOffWithTheReason()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    CaptureFile capture;
    QVERIFY(capture.start(QStringLiteral("/dev/full")));
    QVERIFY(!capture.write("more than fits"));
    QCOMPARE(capture.state(), CaptureFile::State::Off);
    QCOMPARE(capture.errorText(), QStringLiteral("/dev/full\r\n") + qt_error_string(ENOSPC));
    // Reported once: later bytes are not written and fail nothing.
    QVERIFY(capture.write("later"));
}

QTEST_GUILESS_MAIN(TstCaptureFile)
#include "tst_capturefile.moc"
