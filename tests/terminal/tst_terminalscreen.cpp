// The screen model without a window: bytes in, screen text out.

#include "terminal/terminalscreen.h"

#include <QSignalSpy>
#include <QtTest>

using namespace korvo;

class TstTerminalScreen : public QObject
{
    Q_OBJECT

private:
    static QStringList lastRows(const TerminalScreen &s, int n)
    {
        return s.screenText().split(QLatin1Char('\n')).mid(s.rows() - n);
    }

private Q_SLOTS:
    void aNewScreenStartsWithTheCursorOnTheLastRow()
    {
        TerminalScreen s(5, 10, 100);
        QCOMPARE(s.cursorRow(), 4);
        QCOMPARE(s.cursorColumn(), 0);
        QCOMPARE(s.screenText(), QString("\n\n\n\n"));
    }

    void carriageReturnLineFeedAndBackspaceMoveTheCursorAsATerminalDoes()
    {
        TerminalScreen s(4, 10, 100);
        s.write(QByteArray("abc\rX\r\nline2\bQ\nZ"));
        QCOMPARE(lastRows(s, 3), (QStringList{"Xbc", "lineQ", "     Z"}));
        QCOMPARE(s.cursorRow(), 3);
        QCOMPARE(s.cursorColumn(), 6);
    }

    void aLineLongerThanTheScreenWrapsOntoTheNextRow()
    {
        TerminalScreen s(3, 5, 100);
        s.write(QByteArray("0123456789AB"));
        QCOMPARE(lastRows(s, 3), (QStringList{"01234", "56789", "AB"}));
    }

    void linesScrolledOffTheTopAreKeptInTheScrollBackUpToItsLimit()
    {
        TerminalScreen s(2, 10, 3);
        s.clear();
        for (int i = 0; i < 8; ++i)
            s.write(QByteArray("\r\nline") + QByteArray::number(i));
        QCOMPARE(s.scrollbackCount(), 3);
        QCOMPARE(s.lineText(0), QString("line3"));
        QCOMPARE(s.lineText(2), QString("line5"));
        QCOMPARE(s.lineText(3), QString("line6"));
        QCOMPARE(s.lineText(4), QString("line7"));
        // Everything pushed past the limit counts as dropped, so line references stay stable.
        QCOMPARE(s.droppedLines() + s.lineCount(), qint64(8 + 2));
    }

    void resizingKeepsTheContents()
    {
        TerminalScreen s(4, 10, 100);
        s.write(QByteArray("\r\nfirst\r\nsecond\r\nthird"));
        s.resize(6, 20);
        QVERIFY(s.screenText().contains("first\nsecond\nthird"));
        s.write(QByteArray(" and more text"));
        QVERIFY(s.screenText().contains("third and more text"));

        // Fewer rows push the top lines into the scroll-back instead of losing them.
        s.resize(2, 20);
        QStringList all;
        for (int i = 0; i < s.lineCount(); ++i)
            all << s.lineText(i);
        QVERIFY(all.join('\n').contains("first\nsecond\nthird and more text"));
    }

    void aCharacterSplitAcrossTwoWritesIsStillOneCharacter()
    {
        TerminalScreen s(2, 10, 0);
        const QByteArray e = QString::fromUtf8("\xC3\xA9").toUtf8();
        s.write(QByteArray("x") + e.left(1));
        s.write(e.mid(1) + "y");
        QCOMPARE(s.lineText(1), QString::fromUtf8("x\xC3\xA9y"));
        QCOMPARE(s.cursorColumn(), 3);

        // An escape sequence split in the middle is completed by the next write.
        s.write(QByteArray("\x1b["));
        s.write(QByteArray("1;1Hz"));
        QCOMPARE(s.lineText(0), QString("z"));
    }

    void clearEmptiesScreenAndScrollBack()
    {
        TerminalScreen s(3, 10, 50);
        for (int i = 0; i < 10; ++i)
            s.write(QByteArray("text\r\n"));
        QVERIFY(s.scrollbackCount() > 0);
        s.clear();
        QCOMPARE(s.scrollbackCount(), 0);
        QCOMPARE(s.screenText(), QString("\n\n"));
        QCOMPARE(s.cursorRow(), 2);
    }

    void selectedTextHasTrailingBlanksStrippedAndLfLineEnds()
    {
        TerminalScreen s(5, 12, 0);
        s.write(QByteArray("\x1b[3;1Hab   \x1b[4;1H  cd\x1b[5;1Hlast line"));
        // Whole lines: every line ends with LF; the blank rows above the text are left out.
        QCOMPARE(s.text(QPoint(0, 0), QPoint(11, 4)), QString("ab\n  cd\nlast line\n"));
        // Ending inside the last line's text keeps that line open; the order of the ends does not matter.
        QCOMPARE(s.text(QPoint(3, 4), QPoint(1, 3)), QString(" cd\nlast"));
        QCOMPARE(s.text(QPoint(0, 2), QPoint(1, 2)), QString("ab"));
        QCOMPARE(s.text(QPoint(0, 0), QPoint(11, 1)), QString());
    }

    void colourEscapesReachTheCells()
    {
        TerminalScreen s(2, 10, 0);
        s.write(QByteArray("\x1b[1;31mR\x1b[0mN"));
        const TerminalCell red = s.cell(1, 0);
        QCOMPARE(red.fg, TerminalCell::kIndexedColour | 1u);
        QVERIFY(red.attrs & TerminalCell::Bold);
        QCOMPARE(s.cell(1, 1).fg, TerminalCell::kDefaultColour);
        QVERIFY(!red.sameLook(s.cell(1, 1)));
    }

    void linesScrolledIntoTheScrollBackKeepEachCellsLook()
    {
        TerminalScreen s(2, 8, 10);
        s.write(QByteArray("ab\x1b[1;32;44mcd\x1b[0;4mef\x1b[0mgh\r\nnext\r\n"));
        // The blank first row went first, the coloured line after it.
        QCOMPARE(s.scrollbackCount(), 2);
        const int line = 1;
        QCOMPARE(s.lineText(line), QString("abcdefgh"));
        // Runs of one look are converted together: each run keeps its own look, and only its own.
        for (int column : {0, 1, 6, 7}) {
            const TerminalCell plain = s.cell(line, column);
            QCOMPARE(plain.fg, TerminalCell::kDefaultColour);
            QCOMPARE(plain.bg, TerminalCell::kDefaultColour);
            QCOMPARE(plain.attrs, uint8_t(0));
        }
        for (int column : {2, 3}) {
            const TerminalCell green = s.cell(line, column);
            QCOMPARE(green.fg, TerminalCell::kIndexedColour | 2u);
            QCOMPARE(green.bg, TerminalCell::kIndexedColour | 4u);
            QCOMPARE(green.attrs, uint8_t(TerminalCell::Bold));
        }
        QCOMPARE(s.cell(line, 4).attrs, uint8_t(TerminalCell::Underline));
        QCOMPARE(s.cell(line, 5).fg, TerminalCell::kDefaultColour);
        QCOMPARE(s.cell(line, 5).ch, char32_t('f'));
    }

    // The scroll-back packs its lines into one ring that wraps round, grows and shrinks: every line keeps
    // its text and each cell its look through that, through resizes that take lines back onto the screen
    // and through a smaller limit.
    void everyScrolledLineKeepsItsCellsAsTheScrollBackWrapsGrowsAndShrinks()
    {
        // An accented letter, a double-width character on a direct colour and one beyond 16 bits.
        const auto textOf = [](qint64 n) {
            return QStringLiteral("L%1\u00E9\u4E2D").arg(n) + QString::fromUcs4(U"\U0001D11E", 1);
        };
        const auto lineOf = [](qint64 n) {
            return "\x1b[3" + QByteArray::number(n % 8) + "mL" + QByteArray::number(n) +
                   "\x1b[0m\u00E9\x1b[48;2;1;2;3m\u4E2D\x1b[0m\U0001D11E\r\n";
        };
        qint64 written = 0;
        const auto write = [&](TerminalScreen &s, int lines) {
            for (int i = 0; i < lines; ++i)
                s.write(lineOf(written++));
        };
        // The first line pushed is the blank row above the first text; the cursor's row is empty.
        const auto check = [&](const TerminalScreen &s) {
            const int lines = s.scrollbackCount() + s.cursorRow();
            QCOMPARE(s.droppedLines() + lines, written + 1);
            for (int line = 0; line < lines; ++line) {
                const qint64 n = s.droppedLines() + line - 1;
                QCOMPARE(s.lineText(line), n < 0 ? QString() : textOf(n));
            }
            const int last = s.scrollbackCount() - 1;
            const qint64 n = s.droppedLines() + last - 1;
            QCOMPARE(s.cell(last, 0).fg, TerminalCell::kIndexedColour | uint32_t(n % 8));
            const int wide = int(QByteArray::number(n).size()) + 2;
            QCOMPARE(s.cell(last, wide - 1).fg, TerminalCell::kDefaultColour);
            QCOMPARE(s.cell(last, wide).bg, 0x010203u);
            QCOMPARE(s.cell(last, wide + 1).ch, TerminalCell::kWideTail);
            QCOMPARE(s.cell(last, wide + 2).ch, char32_t(0x1D11E));
            QCOMPARE(s.cell(last, wide + 2).bg, TerminalCell::kDefaultColour);
        };
        TerminalScreen s(2, 16, 500);
        write(s, 3000);
        QCOMPARE(s.scrollbackCount(), 500);
        check(s);
        // More rows take the newest lines back from the scroll-back; new lines then push them in again.
        s.resize(40, 16);
        check(s);
        write(s, 700);
        check(s);
        // Wider lines need more room than the ring has.
        s.resize(2, 40);
        write(s, 900);
        check(s);
        s.setScrollRows(100);
        QCOMPARE(s.scrollbackCount(), 100);
        check(s);
        write(s, 300);
        check(s);
    }

    void aWriteRaisesOneInvalidationCoveringWhatChanged()
    {
        TerminalScreen s(5, 10, 0);
        QSignalSpy spy(&s, &TerminalScreen::invalidated);
        s.write(QByteArray("hello"));
        QCOMPARE(spy.count(), 1);
        const QRect r = spy.at(0).at(0).toRect();
        QVERIFY(r.contains(QRect(0, 4, 5, 1)));
    }

    void aBellCharacterRingsWithoutTakingACell()
    {
        TerminalScreen s(2, 10, 0);
        QSignalSpy bells(&s, &TerminalScreen::bell);
        s.write(QByteArray("a\x07"
                           "b"));
        QCOMPARE(bells.count(), 1);
        QCOMPARE(s.lineText(1), QString("ab"));
    }

    void queriesAreAnsweredThroughTheOutput()
    {
        TerminalScreen s(5, 10, 0);
        QByteArray answer;
        s.setOutput([&](const char *d, size_t n) { answer.append(d, qsizetype(n)); });
        s.write(QByteArray("\x1b[6n"));
        QCOMPARE(answer, QByteArray("\x1b[5;1R"));
    }
};

QTEST_GUILESS_MAIN(TstTerminalScreen)
#include "tst_terminalscreen.moc"
