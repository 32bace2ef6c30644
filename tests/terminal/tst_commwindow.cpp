// The terminal window on a fake port: keys, clipboard, received text, settings and its life cycle.

#include "faketerminal.h"
#include "functionkeys/capturefile.h"
#include "link/commlink.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "terminal/commwindow.h"
#include "terminal/statuspanels.h"
#include "terminal/terminaldisplay.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"
#include "terminal/translatedialog.h"
#include "ui/filedialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QtTest>

using namespace korvo;

namespace {

class RecordingHost final : public CommandHost
{
public:
    void setEnabled(Command command, bool enabled) override { enabled_[command] = enabled; }
    void setTip(Command, const QString &) override {}
    void showTerminalMenu(const QPoint &, bool canCopy) override { menuShown << canCopy; }
    void showEditMenu(const QPoint &) override {}
    void childActivated(WindowKind kind, int slot) override
    {
        if (kind == WindowKind::Terminal)
            activeTerminal = slot;
    }
    void childClosed(WindowKind, int) override {}
    DeviceType deviceFamily() const override { return Veltor; }

    QHash<Command, bool> enabled_;
    int activeTerminal = 0;
    QList<bool> menuShown;
};

// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class TstCommWindow : public QObject
{
    Q_OBJECT

    FakeTerminal m_terminal;
    RecordingHost m_host;

    CommWindow &window() { return *m_terminal.window; }
    FakeSerialLink &port() { return m_terminal.port(); }
    QWidget *keys() { return &m_terminal.window->view(); }

private Q_SLOTS:
    void init()
    {
        CommWindowSettings &s = m_terminal.settings;
        s = CommWindowSettings{};
        s.name = QStringLiteral("Terminal 1");
        s.portName = QStringLiteral("/dev/fake0");
        s.connected = true;
        s.rows = 8;
        s.columns = 30;
        m_terminal.open(m_host);
        QApplication::clipboard()->clear();
    }

    void cleanup() { m_terminal.close(); }

    void aNewWindowIsConnectedAndShowsItsPanels()
    {
        QVERIFY(window().isConnected());
        QCOMPARE(port().lastPortName, QStringLiteral("/dev/fake0"));
        QCOMPARE(window().panels().text("connect"), QStringLiteral("Connected "));
        QVERIFY(window().panels().text("comm").contains("9600"));
        QCOMPARE(window().panels().text("device"), QStringLiteral(" Veltor"));
        QCOMPARE(window().panels().text("group"), QStringLiteral("1"));
        QCOMPARE(window().panels().panelToolTip("group"),
                 QStringLiteral("Function Key Group Number 1 :: Group1"));
        QCOMPARE(window().windowTitle(), QStringLiteral("Terminal 1"));
        QVERIFY(!window().link().hasEngine());
    }

    void typedKeysGoToTheDeviceAndOnlyItsEchoIsShown()
    {
        QTest::keyClicks(keys(), "pr al");
        QTest::keyClick(keys(), Qt::Key_Return);
        QTest::keyClick(keys(), Qt::Key_Backspace);
        QTest::keyClick(keys(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(port().written(), QByteArray("pr al\r\b\x02"));
        QCOMPARE(window().screen().screenText().trimmed(), QString());

        // The echo is painted before the event loop turns to anything else.
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        const PaintCounter painted(window().view().viewport());
        port().deliver("pr al\r\nACCEL = 2000\r\n>");
        QVERIFY(painted.count > 0);
        QCOMPARE(window().screen().screenText().trimmed(), QStringLiteral("pr al\nACCEL = 2000\n>"));
        QCOMPARE(window().display().history(), QByteArray("pr al\r\nACCEL = 2000\r\n>"));
    }

    void typedCarriageReturnIsFollowedByLineFeedWhenAsked()
    {
        window().settings().translateCR = -1;
        QTest::keyClick(keys(), Qt::Key_Return);
        QCOMPARE(port().written(), QByteArray("\r\n"));
    }

    void nothingIsSentWhileDisconnected()
    {
        window().connectComm(false);
        QCOMPARE(window().panels().text("connect"), QStringLiteral("Disconnected "));
        QTest::keyClicks(keys(), "x");
        QVERIFY(port().written().isEmpty());
    }

    void ctrlCSendsCharacterThreeOnlyWhenNothingIsSelected()
    {
        port().deliver("abc   \r\n  def  ");
        QTest::keyClick(keys(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(port().written(), QByteArray("\x03"));

        window().selectAll();
        QTest::keyClick(keys(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(port().written(), QByteArray("\x03"));
        QVERIFY(!window().view().hasSelection());
        // LF line ends for any editor, without the blank rows above the text or the blanks at line ends.
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("abc\n  def\n"));
        if (QApplication::clipboard()->supportsSelection())
            QCOMPARE(QApplication::clipboard()->text(QClipboard::Selection), QStringLiteral("abc\n  def\n"));

        // Pasted back, each line ends as a typed Enter does.
        QTest::keyClick(keys(), Qt::Key_V, Qt::ControlModifier);
        m_terminal.clock->runUntilIdle();
        QCOMPARE(port().written(), QByteArray("\x03"
                                              "abc\r  def\r"));
    }

    void ctrlInsertAndShiftDeleteCopyDeleteOnlyDeselects()
    {
        port().deliver("line");
        window().selectAll();
        QTest::keyClick(keys(), Qt::Key_Delete);
        QVERIFY(!window().view().hasSelection());
        QVERIFY(QApplication::clipboard()->text().isEmpty());

        window().selectAll();
        QTest::keyClick(keys(), Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("line\n"));
        QVERIFY(!window().view().hasSelection());
        QVERIFY(port().written().isEmpty());
    }

    void pasteSendsTheClipboardPacedAtCarriageReturns()
    {
        // Ctrl+V sends the clipboard as it is; the Paste command first drops the blanks before line ends.
        QApplication::clipboard()->setText("pr al  \nlist\n");
        QTest::keyClick(keys(), Qt::Key_V, Qt::ControlModifier);
        m_terminal.clock->runUntilIdle();
        QCOMPARE(port().written(), QByteArray("pr al  \rlist\r"));
        port().writes.clear();
        window().pasteClipboard();
        m_terminal.clock->runUntilIdle();
        QCOMPARE(port().written(), QByteArray("pr al\rlist\r"));

        port().writes.clear();
        QTest::keyClick(keys(), Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(port().writes.size(), 1);
        QCOMPARE(port().writes.first().bytes, QByteArray("pr al  \rlist\r"));
    }

    void scrollingKeysMoveTheViewNotTheDevice()
    {
        for (int i = 0; i < 50; ++i)
            port().deliver("line " + QByteArray::number(i) + "\r\n");
        TerminalView &view = window().view();
        // Regression: the scroll range once kept the height the view had before the window was laid out.
        window().resize(500, 300);
        QTRY_COMPARE(view.verticalScrollBar()->pageStep(),
                     view.viewport()->height() / view.cellSize().height());
        QCOMPARE(view.verticalScrollBar()->maximum(),
                 window().screen().lineCount() - view.verticalScrollBar()->pageStep());
        const int bottom = view.firstVisibleLine();
        QVERIFY(bottom > 0);
        QTest::keyClick(keys(), Qt::Key_PageUp);
        QCOMPARE(view.firstVisibleLine(), bottom - 8);
        QTest::keyClick(keys(), Qt::Key_Down);
        QCOMPARE(view.firstVisibleLine(), bottom - 7);
        QTest::keyClick(keys(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view.firstVisibleLine(), 0);
        // Looking back does not jump away when more text arrives.
        port().deliver("more\r\n");
        QCOMPARE(view.firstVisibleLine(), 0);
        QTest::keyClick(keys(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(view.atBottom());
        for (Qt::Key k : {Qt::Key_End, Qt::Key_Left, Qt::Key_Right, Qt::Key_F11, Qt::Key_F12})
            QTest::keyClick(keys(), k);
        QVERIFY(port().written().isEmpty());
        // Plain Home and Insert are the device's.
        QTest::keyClick(keys(), Qt::Key_Home);
        QTest::keyClick(keys(), Qt::Key_Insert);
        QCOMPARE(port().written(), QByteArray("\x1b[H\x1b[2~"));
        QVERIFY(view.atBottom());
    }

    void functionKeysReachTheirHooks()
    {
        QList<int> pressed;
        QList<int> edited;
        window().hooks().functionKey = [&](int n) { pressed << n; };
        window().hooks().editFunctionKey = [&](int n) { edited << n; };
        QTest::keyClick(keys(), Qt::Key_F1);
        QTest::keyClick(keys(), Qt::Key_F10);
        QTest::keyClick(keys(), Qt::Key_F3, Qt::ControlModifier);
        QCOMPARE(pressed, (QList<int>{1, 10}));
        QCOMPARE(edited, QList<int>{3});
        QVERIFY(port().written().isEmpty());
    }

    void changingFontAndColoursKeepsContentsAndCursor()
    {
        port().deliver("first\r\nsecond\r\nthi");
        const QString before = window().screen().screenText();
        const int row = window().screen().cursorRow();
        const int col = window().screen().cursorColumn();

        CommWindowSettings &s = window().settings();
        s.font = QStringLiteral("Lucida Console");
        s.size = 14;
        s.bold = true;
        s.forecolor = 14;
        s.backcolor = 1;
        s.blockCursor = -1;
        window().setTerminal(CommWindow::kDisplayItems);

        QCOMPARE(window().screen().screenText(), before);
        QCOMPARE(window().screen().cursorRow(), row);
        QCOMPARE(window().screen().cursorColumn(), col);
        QVERIFY(window().view().terminalFont().bold());
        QVERIFY(window().view().blockCursor());
        // A face that is not installed falls back to a truly fixed-pitch one, whatever this machine's fonts
        // are; the stored name stays.
        if (!QFontDatabase::hasFamily(s.font))
            QVERIFY(QFontInfo(window().view().terminalFont()).fixedPitch());
        QCOMPARE(s.font, QStringLiteral("Lucida Console"));
    }

    void aNewGridIsDrawnAgainFromTheHistory()
    {
        port().deliver("0123456789ABCDEFGHIJ\r\nend");
        CommWindowSettings &s = window().settings();
        s.rows = 5;
        s.columns = 10;
        window().setTerminal(CommWindow::kDisplayItems);
        QCOMPARE(window().screen().rows(), 5);
        QCOMPARE(window().screen().columns(), 10);
        QCOMPARE(window().display().historyLimit(), 50);
        QCOMPARE(window().screen().screenText(), QStringLiteral("\n\n0123456789\nABCDEFGHIJ\nend"));
    }

    void translationOptionsApplyAtOnceAndRedrawTheScreen()
    {
        port().deliver("A\r\n");
        CommWindowSettings &s = window().settings();
        s.controlHex = -1;
        // The communication page of the preferences applies the translations with the link's settings.
        window().setTerminal(CommWindow::kCommItems);
        const TerminalScreen &screen = window().screen();
        QCOMPARE(screen.lineText(screen.lineCount() - 1), QStringLiteral("A<0D><0A>"));
        port().deliver("B\r\n");
        QCOMPARE(screen.lineText(screen.lineCount() - 1), QStringLiteral("A<0D><0A>B<0D><0A>"));
    }

    void clearEmptiesScreenHistoryAndScrollBack()
    {
        for (int i = 0; i < 20; ++i)
            port().deliver("text\r\n");
        QVERIFY(window().hasText());
        window().clearCommWindow();
        QVERIFY(!window().hasText());
        QVERIFY(window().display().history().isEmpty());
        QCOMPARE(window().screen().scrollbackCount(), 0);
        QCOMPARE(window().screen().cursorRow(), 7);
        QCOMPARE(window().terminalText(true), QString());
    }

    void theRightButtonClearsTheSelectionAndShowsTheTerminalMenu()
    {
        port().deliver("text");
        m_host.activeTerminal = 0;
        window().selectAll();
        QVERIFY(m_host.enabled_.value(Command::CommCopy));
        QWidget *vp = window().view().viewport();
        QTest::mouseClick(vp, Qt::RightButton);
        QVERIFY(!window().view().hasSelection());
        QCOMPARE(m_host.menuShown, (QList<bool>{false}));
        QCOMPARE(m_host.activeTerminal, 1);
        QVERIFY(!m_host.enabled_.value(Command::Copy));
        QVERIFY(!m_host.enabled_.value(Command::CommCopy));
    }

    void dragWithTheMouseSelectsText()
    {
        port().deliver("\x1b[1;1Hhello world");
        QWidget *vp = window().view().viewport();
        const QSize cell = window().view().cellSize();
        const int y = cell.height() / 2;
        window().view().scrollToTop();
        QCOMPARE(window().view().firstVisibleLine(), 0);
        QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(cell.width() / 2, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(cell.width() * 4.5, y),
                         vp->mapToGlobal(QPointF(cell.width() * 4.5, y)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(int(cell.width() * 4.5), y));
        QVERIFY(window().view().hasSelection());
        QCOMPARE(window().view().selectedText(), QStringLiteral("hello"));
        // A double click takes the word under the pointer.
        QTest::mouseDClick(vp, Qt::LeftButton, {}, QPoint(cell.width() * 8, y));
        QCOMPARE(window().view().selectedText(), QStringLiteral("world"));
    }

    void textDroppedFromOutsideAnEditWindowIsRefused()
    {
        QMimeData mime;
        mime.setText(QStringLiteral("pr al\n"));
        QWidget *vp = window().view().viewport();
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &drop);
        QVERIFY(!drop.isAccepted());
        QVERIFY(port().written().isEmpty());
    }

    void theTranslationDialogShowsItsOptionsAndReturnsWhatIsTicked()
    {
        TranslateDialog::Options in;
        in.controlHex = true;
        in.displayHex = 2;
        TranslateDialog dialog(in);
        QMap<QString, QCheckBox *> boxes;
        for (QCheckBox *box : dialog.findChildren<QCheckBox *>())
            boxes.insert(box->text().remove(u'&'), box);
        QCOMPARE(boxes.keys(),
                 (QStringList{"(20-7F)", "(80-FF)", "(except CR/LF)",
                              "Display Control Characters as HEX equivalent",
                              "Translate incoming CRs to CR/LF", "Translate outgoing CRs to CR/LF"}));
        QStringList labels;
        for (QLabel *label : dialog.findChildren<QLabel *>())
            labels << label->text();
        for (const char *caption : {"CR => CRLF:", "Control Char. ==> <HEX>:", "(00-1F)",
                                    "Display Char. ==> <HEX>:", "Display All Characters as HEX equivalent"})
            QVERIFY2(labels.contains(caption), caption);
        QVERIFY(boxes["(except CR/LF)"]->isEnabled());
        boxes["Display Control Characters as HEX equivalent"]->setChecked(false);
        QVERIFY(!boxes["(except CR/LF)"]->isEnabled());
        boxes["Translate outgoing CRs to CR/LF"]->setChecked(true);
        boxes["(20-7F)"]->setChecked(true);

        const TranslateDialog::Options out = dialog.options();
        QVERIFY(out.translateCR && !out.controlHex && !out.crTranslate);
        QCOMPARE(out.displayHex, 3);
        CommWindowSettings s;
        out.applyTo(s);
        QCOMPARE(s.translateCR, int16_t(-1));
        QCOMPARE(s.displayHex, int16_t(3));
    }

    void closingByTheUserFreesTheSlotClosingWithTheApplicationKeepsIt()
    {
        QVERIFY(window().close());
        QCOMPARE(m_terminal.settings.state, kSlotFree);
        QVERIFY(!port().isOpen());

        cleanup();
        init();
        window().setClosingApplication(true);
        QVERIFY(window().close());
        QCOMPARE(m_terminal.settings.state, int16_t(0));
    }

    void aRunningFunctionKeyRefusesTheClose()
    {
        window().hooks().mayClose = [] { return false; };
        QVERIFY(!window().close());
        QCOMPARE(m_terminal.settings.state, int16_t(0));
        QVERIFY(port().isOpen());
    }

    void aFailedSendIsReportedOnce()
    {
        m_terminal.prompt.clear();
        port().writeError = QStringLiteral("Input/output error");
        QTest::keyClicks(keys(), "x");
        QTRY_COMPARE(m_terminal.prompt.asked().size(), 1);
        QCOMPARE(m_terminal.prompt.asked().first().title, QStringLiteral("Comm Port Error"));
        QVERIFY(!window().isConnected());
    }
};

QTEST_MAIN(TstCommWindow)
#include "tst_commwindow.moc"
