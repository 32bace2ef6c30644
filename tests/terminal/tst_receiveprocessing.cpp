// Received bytes through the terminal display's translations onto a screen, and its history.

#include "app/cp1252.h"
#include "terminal/displaytranslator.h"
#include "terminal/terminaldisplay.h"
#include "terminal/terminalscreen.h"

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
            TerminalDisplay d(s);
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
        QCOMPARE(encodeForDevice(expected), typed);
    }

    void controlHexShowsCrLfOnOneLine()
    {
        TerminalScreen s(3, 20, 0);
        TerminalDisplay d(s);
        d.translator().setOptions(opts(true, false, false, 0));
        d.receive(QByteArray("A\r\n"));
        QCOMPARE(s.lineText(2), QString("A<0D><0A>"));
        QCOMPARE(s.cursorRow(), 2);
    }

    void anEmptyNotificationChangesNothing()
    {
        TerminalScreen s(3, 20, 0);
        TerminalDisplay d(s);
        d.receive("abc");
        const QString before = s.screenText();
        d.receive(QByteArray());
        QCOMPARE(s.screenText(), before);
        QCOMPARE(d.history(), QByteArray("abc"));
    }

    void theHistoryNeverExceedsItsLimitPlusOne()
    {
        TerminalScreen s(4, 5, 0);
        TerminalDisplay d(s);
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
};

QTEST_GUILESS_MAIN(TstReceiveProcessing)
#include "tst_receiveprocessing.moc"
