// The streaming controller and the check of its stream: blocks in any pieces, losses counted exactly, and
// a real pty carrying a stream as fast as it takes it without losing a byte.

#include "sim/controllersim.h"
#include "sim/simpty.h"
#include "sim/streamchecker.h"
#include "sim/streamsource.h"

#include <QSocketNotifier>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace korvo;

namespace {

QByteArray stream(int blocks)
{
    QByteArray out;
    for (int i = 0; i < blocks; ++i)
        out += StreamChecker::block(quint32(i));
    return out;
}

// The program's side of a pty, raw, as a serial port would be opened.
class PtyReader
{
public:
    explicit PtyReader(const QString &path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios modes{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &modes) == 0) {
            ::cfmakeraw(&modes);
            ::tcsetattr(m_fd, TCSANOW, &modes);
        }
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char buffer[16384];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0)
                checker.feed(QByteArray(buffer, n));
        });
    }
    ~PtyReader()
    {
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    void send(const QByteArray &bytes)
    {
        QCOMPARE(::write(m_fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    }

    StreamChecker checker;

private:
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

class TstStream : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyBlockCountsHoweverTheReadsCutTheStream()
    {
        // Echo and prompt around the blocks, as the controller sends them, are passed over.
        const QByteArray sent = "STREAM\r\n>" + stream(5) + "STOP\r\n" + StreamChecker::trailer(5 * 64) + ">";
        for (int cut = 1; cut < sent.size(); ++cut) {
            StreamChecker checker;
            checker.feed(sent.left(cut));
            QVERIFY(!checker.finished() || cut >= sent.size() - 1);
            checker.feed(sent.mid(cut));
            QVERIFY(checker.finished());
            QCOMPARE(checker.sentBytes(), 5 * 64);
            QCOMPARE(checker.validBytes(), 5 * 64);
            QCOMPARE(checker.lostBytes(), 0);
        }
    }

    void missingDamagedAndRepeatedBlocksAreNotCounted()
    {
        QByteArray sent = stream(6);
        sent.remove(2 * 64, 64);         // block 2 never arrives
        sent[2 * 64 + 20] = 'x';         // block 3 is damaged on the way
        sent += StreamChecker::block(4); // a repeat of an older block
        StreamChecker checker;
        checker.feed(sent);
        QVERIFY(!checker.finished());
        // Before the trailer the loss is known up to the newest block seen.
        QCOMPARE(checker.lostBytes(), 2 * 64);
        checker.feed(StreamChecker::trailer(7 * 64));
        QCOMPARE(checker.validBytes(), 4 * 64);
        QCOMPARE(checker.lostBytes(), 3 * 64);
    }

    void aPtyCarriesAStreamAsFastAsItTakesItWithoutLosingAByte()
    {
        ControllerSim controller;
        SimPty pty(controller);
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        StreamSource source(
            controller, 0, [&](const QByteArray &bytes) { pty.inject(bytes); },
            [&] { return pty.backlog(); });
        PtyReader program(pty.path());
        QVERIFY(program.isOpen());
        program.send("stream\r");
        QTRY_VERIFY_WITH_TIMEOUT(program.checker.validBytes() > 256 * 1024, 60000);
        program.send("STOP\r");
        QTRY_VERIFY_WITH_TIMEOUT(program.checker.finished(), 60000);
        QVERIFY(!source.streaming());
        QCOMPARE(program.checker.sentBytes(), source.sentBytes());
        QCOMPARE(program.checker.lostBytes(), 0);
    }

    void atAFixedRateBlocksThatFindTheLineFullAreLostButCounted()
    {
        ControllerSim controller;
        QByteArray written;
        StreamSource source(
            controller, 64000, [&](const QByteArray &bytes) { written += bytes; },
            [] { return qsizetype(1); });
        controller.receive("STREAM\r");
        QVERIFY(source.streaming());
        QTRY_VERIFY_WITH_TIMEOUT(source.sentBytes() > 0, 60000);
        controller.receive("STOP\r");
        QVERIFY(written.isEmpty());
        StreamChecker checker;
        checker.feed(controller.takeOutput());
        QVERIFY(checker.finished());
        QCOMPARE(checker.sentBytes(), source.sentBytes());
        QCOMPARE(checker.lostBytes(), source.sentBytes());
    }
};

QTEST_GUILESS_MAIN(TstStream)
#include "tst_stream.moc"
