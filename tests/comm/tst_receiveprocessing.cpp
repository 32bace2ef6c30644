// Received bytes through the dispatcher and the display translations onto a screen.

#include "app/appstate.h"
#include "comm/displaytranslator.h"
#include "comm/receivedispatcher.h"
#include "comm/terminalscreen.h"

#include <QtTest>

using namespace korvo;

namespace {
TranslateOptions opts(bool controlHex, bool notCRLF, bool crTranslate, int displayHex)
{
    TranslateOptions o;
    o.controlHex = controlHex;
    o.notCRLF = notCRLF;
    o.crTranslate = crTranslate;
    o.displayHex = displayHex;
    return o;
}
} // namespace

class TstReceiveProcessing : public QObject
{
    Q_OBJECT

    int m_mode = ReceiveDispatcher::Terminal;
    int m_restarts = 0;

    void wire(ReceiveDispatcher &d)
    {
        m_mode = ReceiveDispatcher::Terminal;
        m_restarts = 0;
        d.hooks().mode = [this] { return m_mode; };
        d.hooks().setMode = [this](int m) { m_mode = m; };
        d.hooks().restartReplyTimer = [this] { ++m_restarts; };
    }

private Q_SLOTS:
    void translations_data()
    {
        QTest::addColumn<TranslateOptions>("options");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QByteArray>("shown");

        QTest::newRow("plain") << opts(false, false, false, 0) << QByteArray("A\r\n\t")
                               << QByteArray("A\r\n\t");
        QTest::newRow("CR to CRLF") << opts(false, false, true, 0) << QByteArray("A\rB\n")
                                    << QByteArray("A\r\nB\n");
        QTest::newRow("control hex takes CR and LF too")
            << opts(true, false, false, 0) << QByteArray("A\r\n") << QByteArray("A<0D><0A>");
        QTest::newRow("control hex with CRLF kept, CR translated")
            << opts(true, true, true, 0) << QByteArray("\r") << QByteArray("\r\n");
        QTest::newRow("control hex with CRLF kept")
            << opts(true, true, false, 0) << QByteArray("\x01\r\n\x1f ") << QByteArray("<01>\r\n<1F> ");
        QTest::newRow("control hex wins over CR translation")
            << opts(true, false, true, 0) << QByteArray("\r") << QByteArray("<0D>");
        QTest::newRow("high characters in hex") << opts(false, false, false, 2)
                                                << QByteArray("\xC8"
                                                              "A")
                                                << QByteArray("<C8>A");
        QTest::newRow("printable characters in hex")
            << opts(false, false, false, 1) << QByteArray("A\x7F\xE9") << QByteArray("<41><7F>\xC3\xA9");
        QTest::newRow("everything in hex")
            << opts(true, false, false, 3) << QByteArray("\x00z\xFF", 3) << QByteArray("<00><7A><FF>");
        QTest::newRow("Windows-1252 high half")
            << opts(false, false, false, 0) << QByteArray("\x80\x93\x81")
            << QString::fromUtf8("\xE2\x82\xAC\xE2\x80\x9C\xEF\xBF\xBD").toUtf8();
    }

    void translations()
    {
        QFETCH(TranslateOptions, options);
        QFETCH(QByteArray, received);
        QFETCH(QByteArray, shown);
        DisplayTranslator t;
        t.setOptions(options);
        QCOMPARE(t.translate(received), shown);
    }

    void everyByteShowsAsItsOwnCharacterWhateverTheSplit()
    {
        DisplayTranslator t;
        QByteArray all;
        for (int c = 32; c < 256; ++c)
            all += char(c);
        QString expected;
        for (int c = 32; c < 256; ++c) {
            const char32_t ch = DisplayTranslator::characterOf(uchar(c));
            expected += c == 127 ? QString() : QString::fromUcs4(&ch, 1);
        }
        for (int split : {1, 7, 100}) {
            TerminalScreen s(10, 40, 10);
            ReceiveDispatcher d(s);
            for (qsizetype i = 0; i < all.size(); i += split)
                d.receive(all.mid(i, split));
            QString shown;
            for (int l = 0; l < s.lineCount(); ++l)
                shown += s.lineText(l).leftJustified(l + 1 < s.lineCount() ? 40 : 0, QLatin1Char(' '));
            QCOMPARE(shown.trimmed(), expected.trimmed());
        }
        // What is typed goes back out as the same bytes; the five unassigned codes cannot be typed.
        QByteArray typed = all;
        typed.remove(127 - 32, 1);
        for (char unassigned : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'})
            typed.replace(unassigned, '?');
        QCOMPARE(DisplayTranslator::encodeForDevice(expected), typed);
    }

    void controlHexShowsCrLfOnOneLine()
    {
        TerminalScreen s(3, 20, 0);
        ReceiveDispatcher d(s);
        d.translator().setOptions(opts(true, false, false, 0));
        d.receive(QByteArray("A\r\n"));
        QCOMPARE(s.lineText(2), QString("A<0D><0A>"));
        QCOMPARE(s.cursorRow(), 2);
    }

    void anEmptyNotificationInTerminalModeChangesNothing()
    {
        TerminalScreen s(3, 20, 0);
        ReceiveDispatcher d(s);
        wire(d);
        d.receive("abc");
        const QString before = s.screenText();
        int captured = 0;
        d.hooks().capture = [&](const QByteArray &) { ++captured; };
        d.receive(QByteArray());
        QCOMPARE(s.screenText(), before);
        QCOMPARE(d.history(), QByteArray("abc"));
        QCOMPARE(captured, 0);
        QCOMPARE(m_mode, int(ReceiveDispatcher::Terminal));
    }

    void theHistoryNeverExceedsItsLimitPlusOne()
    {
        TerminalScreen s(4, 5, 0);
        ReceiveDispatcher d(s);
        d.setHistoryLimit(4 * 5);
        QByteArray sent;
        for (int i = 0; i < 30; ++i) {
            const QByteArray chunk = QByteArray::number(i) + "\r\n";
            sent += chunk;
            d.receive(chunk);
            QVERIFY(d.history().size() <= 21);
        }
        QCOMPARE(d.history(), sent.right(21));
        d.setHistoryLimit(3);
        QCOMPARE(d.history(), sent.right(4));
    }

    void waitsEndOnTheirCharacterOnly_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::newRow("ack") << 6 << QByteArray("ok*\r\n") << QByteArray("\x06");
        QTest::newRow("prompt") << 8 << QByteArray("\x06 busy") << QByteArray("ready\r\n*");
        QTest::newRow("prompt with bit 12") << (8 | 0x1000) << QByteArray("x") << QByteArray("*");
    }

    void waitsEndOnTheirCharacterOnly()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        TerminalScreen s(3, 20, 0);
        ReceiveDispatcher d(s);
        wire(d);
        m_mode = mode;
        d.receive(first);
        QCOMPARE(m_mode, mode);
        d.receive(second);
        QCOMPARE(m_mode, 0);
        // Nothing of a wait's traffic reaches the screen or the history.
        QCOMPARE(s.screenText().trimmed(), QString());
        QVERIFY(d.history().isEmpty());
    }

    void ignoringModesShowNothingAndLetTheTimerRun()
    {
        TerminalScreen s(3, 20, 0);
        ReceiveDispatcher d(s);
        wire(d);
        for (int mode : {4, 5, 12}) {
            m_mode = mode;
            d.receive("\x06*\n");
            QCOMPARE(m_mode, mode);
        }
        QCOMPARE(m_restarts, 0);
        QCOMPARE(s.screenText().trimmed(), QString());
    }

    void captureSeesEveryNotificationUnchangedInEveryMode()
    {
        TerminalScreen s(3, 20, 0);
        ReceiveDispatcher d(s);
        wire(d);
        d.translator().setOptions(opts(true, false, true, 3));
        QByteArray captured;
        d.hooks().capture = [&](const QByteArray &t) { captured += t; };
        d.receive("a\r");
        m_mode = 4;
        d.receive("\x01\xFF");
        QCOMPARE(captured, QByteArray("a\r\x01\xFF"));
    }

    void canSingleLineReplyEndsTheWaitByItsFirstCharacter()
    {
        TerminalScreen s(3, 20, 0);
        ReceiveDispatcher d(s);
        wire(d);
        d.canReply() = "!";
        m_mode = 9;
        d.receive("!OK");
        QCOMPARE(m_mode, 9);
        d.receive("\r\nnext");
        QCOMPARE(m_mode, 0);
        QCOMPARE(d.lastLine(), QByteArray("!OK\r\n"));
        QCOMPARE(d.lineBuffer(), QByteArray("next"));
        QCOMPARE(m_restarts, 2);

        d.resetCollectors();
        m_mode = 9;
        d.receive("?err\n");
        QCOMPARE(m_mode, -1);
    }

    void collectorsAppendForTheirWindows()
    {
        TerminalScreen s(3, 20, 0);
        ReceiveDispatcher d(s);
        wire(d);
        d.canLines().assign(2, QByteArray());
        m_mode = 7;
        d.receive("one\ntw");
        d.receive("o\nthree\n");
        QCOMPARE(d.canLines(), (std::vector<QByteArray>{"one\n", "two\n"}));
        QCOMPARE(d.canLineIndex(), 2);

        m_mode = 10;
        d.receive("ab");
        d.receive("c");
        QCOMPARE(d.canReply(), QByteArray("abc"));
        m_mode = 11;
        d.receive("ram");
        QCOMPARE(d.ramReply(), QByteArray("ram"));
        // Modes 7 and 10 restart the reply timer on every notification, the RAM viewer does not.
        QCOMPARE(m_restarts, 4);
    }

    void downloadModeShowsTextAndStepsAfterALineEnd()
    {
        TerminalScreen s(3, 20, 0);
        ReceiveDispatcher d(s);
        wire(d);
        QList<QByteArray> steps;
        d.hooks().downloadStep = [&](const QByteArray &t) { steps << t; };
        app().lineEnd = QStringLiteral("\r");
        m_mode = 1;
        d.receive("echo");
        d.receive(" line\r\n");
        QCOMPARE(steps, QList<QByteArray>{" line\r\n"});
        QCOMPARE(s.lineText(1), QString("echo line"));
        QCOMPARE(d.history(), QByteArray("echo line\r\n"));
        QCOMPARE(m_restarts, 2);
    }
};

QTEST_GUILESS_MAIN(TstReceiveProcessing)
#include "tst_receiveprocessing.moc"
