// The CAN window in the main window: reopened at start from [CAN Configuration] State on the workspace's
// terminal (a pty to the simulated adapter), one window at a time from View, CAN Configuration, the
// terminal's link kept from other jobs while it is open, and its State written back when the program closes.

#include "app/programoptions.h"
#include "can/canconfigwindow.h"
#include "scriptedprompt.h"
#include "settings/inifile.h"
#include "shell/mainmenus.h"
#include "shell/mainwindow.h"
#include "sim/canresponder.h"
#include "sim/controllersim.h"
#include "sim/simpty.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

class TstCanMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theCanWindowReopensAtStartAndKeepsItsState()
    {
        QTemporaryDir dir;
        ControllerSim controller;
        CanResponder responder(CanResponder::Kind::Dongle);
        responder.attach(controller);
        SimPty pty(controller);
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));

        ScriptedPrompt prompt;
        ProgramOptions options;
        options.startDir = dir.path();
        options.programDir = dir.path();
        options.prefFile = dir.filePath(QStringLiteral("korvoterm.ktm"));
        QFile file(options.prefFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(
                       "[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=1\r\n[Comm_1]\r\nState=0\r\nPortName=%1\r\n"
                       "Connected=-1\r\n[CAN Configuration]\r\nState=2\r\n")
                       .arg(pty.path())
                       .toUtf8());
        file.close();

        auto window = std::make_unique<MainWindow>(options, prompt);
        window->start();
        QPointer<CanConfigWindow> can = window->findChild<CanConfigWindow *>();
        QVERIFY(can);
        QCOMPARE(can->target(), CanTarget::Dongle);
        QVERIFY(window->menus()->action(Command::CanDongle)->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(can->statusLabel()->text(), QStringLiteral("Communicating"), 20000);

        // Another item while it is open: the open window stays, one at a time.
        window->runCommand(Command::CanModule);
        QCOMPARE(window->findChildren<CanConfigWindow *>().size(), 1);
        QVERIFY(!window->menus()->action(Command::CanModule)->isChecked());

        // The CAN window holds the terminal's link: Find Comm. Settings is refused with one message naming
        // it, and the CAN window goes on untouched.
        window->runCommand(Command::FindCommSettings);
        QCOMPARE(prompt.asked().size(), 1);
        QVERIFY2(prompt.asked().first().text.startsWith(
                     QStringLiteral("CAN DONGLE Configuration is running on this terminal")),
                 qPrintable(prompt.asked().first().text));
        QVERIFY(!window->menus()->action(Command::FindCommSettings)->isChecked());
        QVERIFY(can->isVisible());
        QCOMPARE(can->statusLabel()->text(), QStringLiteral("Communicating"));
        prompt.clear();

        QVERIFY(window->close());
        QVERIFY(can.isNull() || !can->isVisible());
        QCOMPARE(IniFile::load(options.prefFile)
                     .value(QStringLiteral("CAN Configuration"), QStringLiteral("State")),
                 QStringLiteral("2"));
        window.reset();
        QVERIFY(prompt.asked().isEmpty());
    }
};

QTEST_MAIN(TstCanMainWindow)
#include "tst_canmainwindow.moc"
