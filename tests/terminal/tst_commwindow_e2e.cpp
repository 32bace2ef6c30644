// A terminal window on a real kernel pty against the simulated controller: connect, type, receive,
// translation options, disconnect.

#include "app/clock.h"
#include "functionkeys/capturefile.h"
#include "link/linkfactory.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "sim/controllersim.h"
#include "sim/simpty.h"
#include "terminal/commwindow.h"
#include "terminal/statuspanels.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"
#include "ui/filedialogs.h"

#include <QLabel>
#include <QtTest>

using namespace korvo;

namespace {
// Every line of the screen and its scroll-back, joined without line breaks (for wrapped hex forms).
QString allText(const TerminalScreen &screen)
{
    QString all;
    for (int line = 0; line < screen.lineCount(); ++line)
        all += screen.lineText(line);
    return all;
}
} // namespace

class TstCommWindowEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aTerminalWindowTalksToTheSimulatedController()
    {
        ControllerSim controller(Veltor);
        SimPty pty(controller);
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));

        ScriptedPrompt prompt;
        CommWindowSettings s;
        s.portName = pty.path();
        s.connected = true;
        s.rows = 24;
        s.columns = 60;

        CaptureFile capture;
        IdleCommandHost host;
        CommWindow window(1, s, systemClock(), systemLinkFactory(), capture, realFileDialogs(), prompt, host,
                          QString());
        window.show();
        QWidget *keys = &window.view();
        const TerminalScreen &screen = window.screen();
        QCOMPARE(window.panels().text("connect"), QStringLiteral("Connected "));

        // Typed keys reach the device byte for byte; the screen shows the device's echo and reply.
        QTest::keyClicks(keys, "pr al");
        QTest::keyClick(keys, Qt::Key_Return);
        QTRY_VERIFY(screen.screenText().endsWith(
            "pr al\nACCEL = G 2000\nSPEED = G 1500\nCOUNT = G 0\nTEMP = L 12\n>"));
        QCOMPARE(controller.received(), QByteArray("pr al\r"));

        QTest::keyClick(keys, Qt::Key_C, Qt::ControlModifier);
        QTRY_VERIFY(screen.screenText().endsWith(">^C\n>"));
        QCOMPARE(controller.received(), QByteArray("pr al\r\x03"));

        // Control characters as hex forms, CR and LF included: what was shown is drawn again with them, and
        // the reply joins it on one line, wrapped only at the screen's width.
        s.controlHex = -1;
        window.setTerminal(CommWindow::kDisplayItems);
        QTest::keyClicks(keys, "zz");
        QTest::keyClick(keys, Qt::Key_Return);
        QTRY_VERIFY2(
            screen.screenText().remove(u'\n').endsWith("TEMP = L 12<0D><0A>>^C<0D><0A>>zz<0D><0A>?<0D><0A>>"),
            qPrintable(screen.screenText()));

        // Every byte value, received in hex form, exactly.
        s.displayHex = 3;
        window.setTerminal(CommWindow::kDisplayItems);
        window.clearCommWindow();
        QByteArray every;
        QString forms;
        for (int c = 0; c < 256; ++c) {
            every += char(c);
            forms += QStringLiteral("<%1>").arg(c, 2, 16, QLatin1Char('0')).toUpper();
        }
        pty.inject(every);
        QTRY_COMPARE(allText(screen), forms);

        // Without hex forms the high half shows as Windows-1252 characters.
        s.controlHex = 0;
        s.displayHex = 0;
        window.setTerminal(CommWindow::kDisplayItems);
        window.clearCommWindow();
        pty.inject("\x80 \xC8\xE9\xFF\r\n");
        QTRY_VERIFY(
            screen.screenText().endsWith(QString::fromUtf8("\xE2\x82\xAC \xC3\x88\xC3\xA9\xC3\xBF\n")));

        window.connectComm(false);
        QCOMPARE(window.panels().text("connect"), QStringLiteral("Disconnected "));
        QVERIFY(!window.isConnected());
        QTest::keyClicks(keys, "lost");
        // Reconnecting shows that the port works and that nothing typed meanwhile was kept for it.
        window.connectComm(true);
        QTest::keyClick(keys, Qt::Key_Return);
        QTRY_COMPARE(controller.received(), QByteArray("pr al\r\x03zz\r\r"));
        QVERIFY(prompt.asked().isEmpty());
    }
};

QTEST_MAIN(TstCommWindowEndToEnd)
#include "tst_commwindow_e2e.moc"
