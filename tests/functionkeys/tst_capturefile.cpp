// The capture file on a real file system: exact bytes, on disk at once and kept by a kill, pause and resume
// on one file, failures with the OS's reason, and where the default capture file goes.

#include "filebytes.h"
#include "functionkeys/capturefile.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

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
    void aKilledProgramKeepsEveryByteItHadHandled();
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

#ifdef Q_OS_UNIX
namespace {
// A capturing program in a child process: each read from `in` is one notification, written to the capture
// file and then acknowledged on `handled` with the count of bytes handled so far.
[[noreturn]] void captureUntilKilled(const QString &path, int in, int handled)
{
    CaptureFile capture;
    if (!capture.start(path))
        ::_exit(2);
    char buffer[1500];
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n <= 0)
            ::_exit(0);
        if (!capture.write(QByteArray(buffer, n)))
            ::_exit(3);
        total += n;
        if (::write(handled, &total, sizeof total) != sizeof total)
            ::_exit(4);
    }
}
} // namespace
#endif

void TstCaptureFile::aKilledProgramKeepsEveryByteItHadHandled()
{
#ifndef Q_OS_UNIX
    QSKIP("killing a process is tested on Unix");
#else
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Capture.txt"));
    QRandomGenerator random(27);
    // Less than a pipe holds, so that it is all sent before the kill.
    QByteArray stream(48 * 1024, Qt::Uninitialized);
    for (char &c : stream)
        c = static_cast<char>(random.bounded(256));
    int kills = 0;
    int killedMidStream = 0;
    qint64 captureTime = 0;
    for (int round = 0; round <= 100; ++round) {
        int in[2];
        int handled[2];
        QVERIFY(::pipe(in) == 0 && ::pipe(handled) == 0);
        QElapsedTimer timer;
        timer.start();
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(in[1]);
            ::close(handled[0]);
            captureUntilKilled(path, in[0], handled[1]);
        }
        ::close(in[0]);
        ::close(handled[1]);
        for (qsizetype sent = 0; sent < stream.size();) {
            const qsizetype chunk = std::min<qsizetype>(1 + random.bounded(3000), stream.size() - sent);
            QCOMPARE(::write(in[1], stream.constData() + sent, static_cast<size_t>(chunk)), chunk);
            sent += chunk;
        }
        // The first round runs to the end and measures how long capturing the stream takes; the others
        // are killed at a seeded moment within twice that.
        if (round == 0) {
            ::close(in[1]);
        } else {
            const qint64 delay = random.bounded(2 * captureTime + 1);
            while (timer.nsecsElapsed() < delay) {
            }
            ::kill(child, SIGKILL);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        if (round == 0) {
            captureTime = timer.nsecsElapsed();
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        } else {
            ::close(in[1]);
            kills += WIFSIGNALED(status);
        }
        qint64 total = 0;
        qint64 acknowledged = 0;
        while (::read(handled[0], &total, sizeof total) == sizeof total)
            acknowledged = total;
        ::close(handled[0]);
        const QByteArray captured = contents(path);
        QVERIFY2(captured.size() >= acknowledged,
                 qPrintable(QStringLiteral("round %1: %2 bytes handled, %3 in the file")
                                .arg(round)
                                .arg(acknowledged)
                                .arg(captured.size())));
        QCOMPARE(captured, stream.left(captured.size()));
        killedMidStream += captured.size() < stream.size();
    }
    qInfo("%d captures killed, %d of them before the last byte", kills, killedMidStream);
    QCOMPARE(kills, 100);
    QVERIFY(killedMidStream > 0);
#endif
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
