// Function keys and capture in a terminal window on a fake port in virtual time: the bar, F1..F10 and
// Ctrl+F1..F10, the status panels, closing while a key runs, and capture from keys and settings.

#include "engine/enginebase.h"
#include "faketerminal.h"
#include "functionkeys/capturefile.h"
#include "functionkeys/functionkeybar.h"
#include "functionkeys/functionkeyeditor.h"
#include "functionkeys/functionkeyrunner.h"
#include "link/commlink.h"
#include "link/enginelease.h"
#include "popupchooser.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "terminal/commwindow.h"
#include "terminal/statuspanels.h"
#include "terminal/terminalfunctions.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"
#include "ui/filedialogs.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {
// A device dialogue that keeps what it receives to itself, as an upload does.
class Collector final : public EngineBase
{
public:
    void start(qint64) override {}
    void bytesReceived(const QByteArray &data, qint64) override { kept += data; }
    void timerFired(qint64) override {}
    QByteArray kept;
};
} // namespace

class TstFunctionKeyWindow : public QObject
{
    Q_OBJECT

    FakeTerminal m_terminal;
    IdleCommandHost m_host;
    QTemporaryDir m_dir;

    CommWindow &window() { return *m_terminal.window; }
    FakeSerialLink &port() { return m_terminal.port(); }
    QWidget *keys() { return &m_terminal.window->view(); }
    FunctionKeyBar &bar() { return m_terminal.window->functions().bar(); }
    QString panelText(const char *key) { return m_terminal.window->panels().text(QLatin1String(key)); }

private Q_SLOTS:
    void init()
    {
        CommWindowSettings &s = m_terminal.settings;
        s = CommWindowSettings{};
        s.name = QStringLiteral("Terminal 1");
        s.portName = QStringLiteral("/dev/fake0");
        s.connected = true;
        s.fGroupCt = 2;
        s.groupNames = QStringList{"Motion", "Setup"};
        s.keys.resize(20);
        s.keys[0] = {QStringLiteral("Status"), QStringLiteral("pr st^M")};
        s.keys[1] = {QStringLiteral("Loop"), QStringLiteral("z^p^r0")};
        s.keys[2] = {QStringLiteral("Log"), QStringLiteral("^cpr al^M^p^o")};
        s.keys[10] = {QStringLiteral("Rate & Go"), QStringLiteral("second group")};
        m_terminal.open(m_host);
        m_terminal.capture.stop();
    }

    void cleanup() { m_terminal.close(); }

    void theBarShowsTheCurrentGroupInTwoRowsOfFive()
    {
        QVERIFY(window().functionKeyBar()->isVisible());
        const int fifth = bar().width() / 5;
        for (int k = 0; k < 5; ++k) {
            const QRect top = bar().keyRect(k);
            const QRect bottom = bar().keyRect(k + 5);
            QCOMPARE(top.y(), bar().keyRect(0).y());
            QVERIFY(bottom.y() >= top.bottom());
            QCOMPARE(bottom.x(), top.x());
            QVERIFY(qAbs(top.width() - fifth) <= 4);
            QCOMPARE(bar().keyAt(top.center()), k);
            QCOMPARE(bar().keyAt(bottom.center()), k + 5);
        }
        QVERIFY(bar().height() >= bar().keyRect(9).bottom());
        QCOMPARE(bar().text(0), QStringLiteral("Status"));
        QCOMPARE(bar().keyToolTip(0), QStringLiteral("(F1) Status"));
        QCOMPARE(bar().text(9), QStringLiteral("F10"));
        QVERIFY(bar().isBold(0));
        QCOMPARE(panelText("group"), QStringLiteral("1"));
        QCOMPARE(window().panels().panelToolTip("group"),
                 QStringLiteral("Function Key Group Number 1 :: Motion"));

        window().setFunctionGroup(1);
        QCOMPARE(bar().text(0), QStringLiteral("Rate & Go"));
        QCOMPARE(panelText("group"), QStringLiteral("2"));
        QCOMPARE(window().panels().panelToolTip("group"),
                 QStringLiteral("Function Key Group Number 2 :: Setup"));

        window().settings().fKeyEn = false;
        window().setTerminal(CommWindow::kDisplayItems);
        QVERIFY(!window().functionKeyBar()->isVisible());
    }

    void functionKeysSendTheirContentsAndASecondPressStopsARepeat()
    {
        QTest::keyClick(keys(), Qt::Key_F1);
        m_terminal.clock->runUntilIdle(1000);
        QCOMPARE(port().written(), QByteArray("pr st\r"));

        port().writes.clear();
        QTest::mouseClick(&bar(), Qt::LeftButton, {}, bar().keyRect(1).center());
        m_terminal.clock->advance(10'500);
        QCOMPARE(port().written(), QByteArray(11, 'z'));
        QVERIFY(!bar().isBold(1));
        QCOMPARE(panelText("msg"), QStringLiteral("F2 - 10 - Continuous"));
        // The device's answers stay on the screen while the key runs.
        port().deliver("z\r\n>");
        QVERIFY(window().screen().screenText().contains(QLatin1String("z\n>")));

        // Closing is refused while the key runs.
        QVERIFY(!window().close());
        QCOMPARE(m_terminal.prompt.asked().size(), 1);
        QCOMPARE(m_terminal.prompt.asked().first().text,
                 QStringLiteral("Repeating Function Key in Terminal 1"));
        QCOMPARE(m_terminal.prompt.asked().first().title, QStringLiteral("Exiting"));
        QCOMPARE(m_terminal.prompt.asked().first().icon, PromptIcon::Critical);

        // Ctrl+F5 would open the editor; while a key runs it is a stop request.
        QTest::keyClick(keys(), Qt::Key_F5, Qt::ControlModifier);
        QVERIFY(!window().functions().runner().isRunning());
        QVERIFY(bar().isBold(1));
        m_terminal.clock->advance(60'000);
        QCOMPARE(port().written(), QByteArray(11, 'z'));
        QCOMPARE(panelText("msg"), QString());
        QCOMPARE(window().panels().panelToolTip("msg"), QStringLiteral("Messages"));

        // A key of the current group goes out; a failed write ends it with the reason, told once, and the
        // terminal has its link back.
        window().setFunctionGroup(1);
        port().writeError = QStringLiteral("Input/output error");
        QTest::keyClick(keys(), Qt::Key_F1);
        m_terminal.clock->runUntilIdle(1000);
        QTRY_COMPARE(m_terminal.prompt.asked().size(), 2);
        QCOMPARE(m_terminal.prompt.asked().last().text, QStringLiteral("Input/output error"));
        QVERIFY(!window().functions().runner().isRunning());
        QVERIFY(!window().link().hasEngine());
        port().writeError.clear();
        port().writes.clear();
        QTest::keyClick(keys(), Qt::Key_F1);
        m_terminal.clock->runUntilIdle(1000);
        QCOMPARE(port().written(), QByteArray("second group"));

        // Disconnected, a press does nothing.
        window().connectComm(false);
        port().writes.clear();
        QTest::keyClick(keys(), Qt::Key_F1);
        m_terminal.clock->runUntilIdle(1000);
        QVERIFY(port().writes.isEmpty());
        QVERIFY(window().close());
    }

    void assistiveToolsSeeTheKeysAsButtonsThatPressAndThePanelsAsTexts()
    {
        QAccessibleInterface *group = QAccessible::queryAccessibleInterface(&bar());
        QVERIFY(group);
        QCOMPARE(group->childCount(), FunctionKeyBar::kKeys);
        QAccessibleInterface *f1 = group->child(0);
        QCOMPARE(f1->role(), QAccessible::Button);
        QCOMPARE(f1->text(QAccessible::Name), QStringLiteral("Status"));
        QCOMPARE(f1->text(QAccessible::Description), QStringLiteral("(F1) Status"));
        QCOMPARE(f1->parent(), group);
        QCOMPARE(group->indexOfChild(f1), 0);
        const QPoint f8 = group->child(7)->rect().center();
        QCOMPARE(group->childAt(f8.x(), f8.y()), group->child(7));

        // The status panels are texts with their tips.
        QAccessibleInterface *status = QAccessible::queryAccessibleInterface(&window().panels());
        QCOMPARE(status->role(), QAccessible::StatusBar);
        QCOMPARE(status->childCount(), 7);
        QCOMPARE(status->child(4)->role(), QAccessible::StaticText);
        QCOMPARE(status->child(4)->text(QAccessible::Name), QStringLiteral("1"));
        QCOMPARE(status->child(4)->text(QAccessible::Description),
                 QStringLiteral("Function Key Group Number 1 :: Motion"));

        f1->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        m_terminal.clock->runUntilIdle(1000);
        QCOMPARE(port().written(), QByteArray("pr st\r"));

        // As with a button, a press let go outside its key presses nothing.
        port().writes.clear();
        QTest::mousePress(&bar(), Qt::LeftButton, {}, bar().keyRect(0).center());
        QTest::mouseRelease(&bar(), Qt::LeftButton, {}, bar().keyRect(1).center());
        m_terminal.clock->runUntilIdle(1000);
        QVERIFY(port().writes.isEmpty());
    }

    void theRightButtonOnAKeyEditsItAndDoneRefreshesTheBar()
    {
        // The editor runs modally; the queued step plays the user in it.
        const auto editAndClose = [](bool done) {
            QTimer::singleShot(0, [done] {
                auto *editor = qobject_cast<FunctionKeyEditor *>(QApplication::activeModalWidget());
                QVERIFY(editor);
                QCOMPARE(editor->currentKey(), 2);
                editor->captionEdit(2)->setText(QStringLiteral("Changed"));
                done ? editor->accept() : editor->reject();
            });
        };
        const QPoint onF3 = bar().keyRect(2).center();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, onF3, bar().mapToGlobal(onF3));
        editAndClose(false);
        QApplication::sendEvent(&bar(), &rightClick);
        QCOMPARE(bar().text(2), QStringLiteral("Log"));
        QCOMPARE(window().settings().keys[2].label, QStringLiteral("Log"));

        editAndClose(true);
        QApplication::sendEvent(&bar(), &rightClick);
        QCOMPARE(bar().text(2), QStringLiteral("Changed"));
        QCOMPARE(bar().keyToolTip(2), QStringLiteral("(F3) Changed"));
        QCOMPARE(window().settings().keys[2].label, QStringLiteral("Changed"));
    }

    void aClickOnTheGroupPanelOffersTheGroups()
    {
        const PopupChooser user(1);
        QTest::mouseClick(&window().panels(), Qt::LeftButton, {},
                          window().panels().panelRect("group").center());
        QTRY_COMPARE(window().settings().fGroup, 1);
        QCOMPARE(user.offered(), (QStringList{"Group 1 - Motion", "Group 2 - Setup"}));
        QCOMPARE(bar().text(0), QStringLiteral("Rate & Go"));
    }

    void aDoubleClickOnConnectTogglesTheLink()
    {
        StatusPanels &panels = window().panels();
        const QPoint connect = panels.panelRect(QStringLiteral("connect")).center();
        QTest::mouseDClick(&panels, Qt::LeftButton, {}, connect);
        QVERIFY(!window().isConnected());
        QCOMPARE(panels.text("connect"), QStringLiteral("Disconnected "));
        QTest::mouseDClick(&panels, Qt::LeftButton, {}, connect);
        QVERIFY(window().isConnected());

        // "comm", "device" and "can" open the communication settings (the main window fills the hook).
        int opened = 0;
        window().hooks().openPreferences = [&opened] { ++opened; };
        for (const char *key : {"comm", "device", "can", "msg"})
            QTest::mouseDClick(&panels, Qt::LeftButton, {}, panels.panelRect(QLatin1String(key)).center());
        QCOMPARE(opened, 3);
        QVERIFY(window().isConnected());

        // A message longer than the row is elided: every panel after it stays in sight.
        panels.setText(QStringLiteral("connect"),
                       QStringLiteral("reconnecting to 127.0.0.1:5030 in 2 s ").repeated(20));
        for (const char *key : {"connect", "comm", "device", "can", "group", "capture", "msg"})
            QVERIFY2(panels.rect().contains(panels.panelRect(QLatin1String(key))), key);
    }

    void captureFromAKeyTakesEveryReceivedByteUntilItsOffCode()
    {
        const QString path = m_dir.filePath(QStringLiteral("keys.txt"));
        QVERIFY(m_terminal.capture.start(path));
        m_terminal.capture.stop();
        QCOMPARE(panelText("capture"), QStringLiteral("Capture "));
        QVERIFY(!window().panels().isPanelEnabled("capture"));
        // The panel's tip names the file that capture writes to.
        QCOMPARE(window().panels().panelToolTip("capture"), QDir::toNativeSeparators(path));

        QTest::keyClick(keys(), Qt::Key_F3);
        m_terminal.clock->advance(0);
        QCOMPARE(m_terminal.capture.state(), CaptureFile::State::On);
        QCOMPARE(panelText("capture"), QStringLiteral("Capture ON "));
        QCOMPARE(window().panels().panelToolTip("capture"), QDir::toNativeSeparators(path));
        const QByteArray reply("pr al\r\nACCEL = G 2000\r\n\x1b[0m\xff>", 29);
        port().deliver(reply.left(7));
        m_terminal.clock->advance(500);
        port().deliver(reply.mid(7));
        m_terminal.clock->runUntilIdle(5000);
        QCOMPARE(m_terminal.capture.state(), CaptureFile::State::Off);
        QCOMPARE(port().written(), QByteArray("pr al\r"));
        port().deliver("after");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), reply);
    }

    void captureTakesTheBytesOfEveryReceiveModeAndAKeyReopensItOnlyWhilePaused()
    {
        const QString path = m_dir.filePath(QStringLiteral("modes.txt"));
        QVERIFY(m_terminal.capture.start(path));
        port().deliver("terminal ");
        Collector upload;
        {
            EngineLease lease = window().link().attach(upload, QStringLiteral("Upload"),
                                                       [](const std::vector<EngineEvent> &) {});
            port().deliver(QByteArray("'[VARIABLES]\r\nA=1\r\n\0", 20));
        }
        QCOMPARE(upload.kept, QByteArray("'[VARIABLES]\r\nA=1\r\n\0", 20));
        QVERIFY(!window().screen().screenText().contains(QLatin1String("VARIABLES")));

        // "^c" while capture is on leaves the file as it is.
        window().settings().keys[2].command = QStringLiteral("^c");
        QTest::keyClick(keys(), Qt::Key_F3);
        m_terminal.clock->runUntilIdle(1000);
        port().deliver(">");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("terminal '[VARIABLES]\r\nA=1\r\n\0>", 30));
        file.close();

        // While paused, "^c" starts afresh: the file is replaced and capture runs again.
        m_terminal.capture.setPaused(true);
        port().deliver("lost");
        QTest::keyClick(keys(), Qt::Key_F3);
        m_terminal.clock->runUntilIdle(1000);
        QCOMPARE(m_terminal.capture.state(), CaptureFile::State::On);
        port().deliver("new");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("new"));
    }

    void aKeyPressedWhileAnotherJobHoldsTheLinkIsRefusedAndTheJobGoesOn()
    {
        Collector upload;
        EngineLease lease = window().link().attach(upload, QStringLiteral("Upload"), [](const auto &) {});
        QTest::keyClick(keys(), Qt::Key_F1);
        QTest::mouseClick(&bar(), Qt::LeftButton, {}, bar().keyRect(1).center());
        m_terminal.clock->runUntilIdle(1000);
        // Nothing went out, the upload still holds the link and gets what arrives, and the panel says why.
        QVERIFY(port().writes.isEmpty());
        QVERIFY(lease.isActive());
        QVERIFY(!upload.hasFailed());
        port().deliver("A=1\r\n");
        QCOMPARE(upload.kept, QByteArray("A=1\r\n"));
        QVERIFY2(panelText("msg").startsWith(QStringLiteral("Upload is running on this terminal")),
                 qPrintable(panelText("msg")));
        QVERIFY(m_terminal.prompt.asked().isEmpty());
        m_terminal.clock->advance(FunctionKeyRunner::kMessageMs);
        QCOMPARE(panelText("msg"), QString());
    }

    void captureStopsWhenSettingsApplyAndItsFailuresAreToldOnce()
    {
        QVERIFY(m_terminal.capture.start(m_dir.filePath(QStringLiteral("menu.txt"))));
        m_terminal.capture.setPaused(true);
        QCOMPARE(panelText("capture"), QStringLiteral("Capture OFF "));
        m_terminal.capture.setPaused(false);
        window().setTerminal(CommWindow::kCommItems);
        QCOMPARE(m_terminal.capture.state(), CaptureFile::State::Off);

        // A capture file that cannot be opened: one message with the reason, and the key goes on.
        QVERIFY(!m_terminal.capture.start(m_dir.path()));
        window().settings().keys[2].command = QStringLiteral("^cok");
        QTest::keyClick(keys(), Qt::Key_F3);
        m_terminal.clock->runUntilIdle(1000);
        QTRY_COMPARE(m_terminal.prompt.asked().size(), 1);
        QCOMPARE(m_terminal.prompt.asked().first().title, CaptureFile::errorTitle());
        QVERIFY(m_terminal.prompt.asked().first().text.startsWith(QDir::toNativeSeparators(m_dir.path()) +
                                                                  "\r\n"));
        QCOMPARE(port().written(), QByteArray("ok"));
        QCOMPARE(m_terminal.capture.state(), CaptureFile::State::Off);
    }
};

QTEST_MAIN(TstFunctionKeyWindow)
#include "tst_functionkeywindow.moc"
