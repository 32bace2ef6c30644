// A terminal's status panels in the real main window: a double click on "comm" frees the simulated TCP
// gateway while the preferences dialog is open and connects again afterwards (once, whichever way the
// dialog closed), and the "FuncGrps" menu follows the group chosen on the "group" panel or in the key
// editor.

#include "app/programoptions.h"
#include "functionkeys/functionkeyeditor.h"
#include "link/commlink.h"
#include "popupchooser.h"
#include "scriptedprompt.h"
#include "shell/childwindows.h"
#include "shell/mainmenus.h"
#include "shell/mainwindow.h"
#include "sim/controllersim.h"
#include "sim/simgateway.h"
#include "terminal/commwindow.h"
#include "terminal/statuspanels.h"
#include "terminal/terminalview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {

// The main window on a preferences file with one terminal whose section holds sectionText.
std::unique_ptr<MainWindow> startOn(Prompt &prompt, const QTemporaryDir &dir, const QString &setupText,
                                    const QString &sectionText)
{
    ProgramOptions options;
    options.startDir = dir.path();
    options.programDir = dir.path();
    options.prefFile = dir.filePath(QStringLiteral("korvoterm.ktm"));
    QFile prefs(options.prefFile);
    if (!prefs.open(QIODevice::WriteOnly))
        return nullptr;
    prefs.write(
        QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=1\r\n%1[Comm_1]\r\nState=0\r\nAutoName=0\r\n"
                       "Name=Axis rig\r\n%2")
            .arg(setupText, sectionText)
            .toUtf8());
    prefs.close();
    auto window = std::make_unique<MainWindow>(options, prompt);
    window->start();
    return window;
}

CommWindow *terminalOf(const MainWindow &window)
{
    return qobject_cast<CommWindow *>(window.children()->all().value(0)->widget());
}

// The group name of the checked entry of the "FuncGrps" menu ("&2 Homing"), or "" when none is.
QString checkedGroup(const MainWindow &window)
{
    for (QAction *entry : window.menus()->menu(MenuId::FuncGroups)->actions())
        if (entry->isChecked())
            return entry->text().section(QLatin1Char(' '), 1);
    return {};
}

} // namespace

class TstTerminalPanels : public QObject
{
    Q_OBJECT
    ScriptedPrompt m_prompt;

private Q_SLOTS:
    void cleanup() { m_prompt.clear(); }

    void theCommPanelFreesTheGatewayWhileThePreferencesAreOpen()
    {
        ControllerSim controller(Veltor);
        SimGateway gateway(controller);
        QString error;
        QVERIFY2(gateway.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QVERIFY2(gateway.listenDiscovery(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QSignalSpy connections(&gateway, &SimGateway::clientConnected);
        QTemporaryDir dir;
        auto window = startOn(m_prompt, dir,
                              QStringLiteral("DiscoveryTarget=127.0.0.1:%1\r\n").arg(gateway.discoveryPort()),
                              QStringLiteral("Connected=-1\r\nTCPIPEnabled=-1\r\nTCPAddress=127.0.0.1:%1\r\n")
                                  .arg(gateway.port()));
        QVERIFY(window);
        CommWindow *terminal = terminalOf(*window);
        QVERIFY(terminal);
        QTRY_VERIFY(gateway.hasClient());
        QCOMPARE(connections.size(), 1);

        // What the user saw in the dialog: the gateway free for discovery, and the link still Connected.
        bool sawItFree = false;
        const auto answer = [&](bool ok) {
            sawItFree = false;
            QTimer::singleShot(0, this, [&, ok] {
                auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                if (!dialog || dialog->windowTitle() != QLatin1String("Preferences"))
                    return;
                auto *devices = dialog->findChild<QComboBox *>(QStringLiteral("cboTCPIPDevices"));
                sawItFree = QTest::qWaitFor([&] { return !gateway.hasClient(); }) &&
                            QTest::qWaitFor([&] { return devices->count() == 2; }) && terminal->isConnected();
                if (ok) {
                    dialog->findChild<QCheckBox *>(QStringLiteral("chkCAN"))->click();
                    dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
                } else {
                    dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
                }
            });
        };
        // Closed with Cancel, and with OK after a change on the communication page (which connects by
        // itself): either way the link is open again, with one new connection.
        answer(false);
        QTest::mouseDClick(&terminal->panels(), Qt::LeftButton, {},
                           terminal->panels().panelRect(QStringLiteral("comm")).center());
        QVERIFY(sawItFree);
        QTRY_VERIFY(gateway.hasClient());
        QCOMPARE(connections.size(), 2);
        QCOMPARE(terminal->panels().text(QStringLiteral("connect")), QStringLiteral("Connected "));

        answer(true);
        QTest::mouseDClick(&terminal->panels(), Qt::LeftButton, {},
                           terminal->panels().panelRect(QStringLiteral("device")).center());
        QVERIFY(sawItFree);
        QVERIFY(terminal->settings().canInterface);
        QVERIFY(terminal->panels().isPanelEnabled(QStringLiteral("can")));
        QTRY_VERIFY(gateway.hasClient());

        // The link works as before: typed keys reach the controller.
        QTest::keyClicks(&terminal->view(), "ok");
        QTRY_COMPARE(controller.received(), QByteArray("ok"));
        QCOMPARE(connections.size(), 3);
        QVERIFY(m_prompt.asked().isEmpty());
    }

    void theGroupMenuFollowsTheGroupPanelAndTheKeyEditor()
    {
        QTemporaryDir dir;
        auto window =
            startOn(m_prompt, dir, QString(),
                    QStringLiteral("FGroupCt=3\r\nFGrpName0=Motion\r\nFGrpName1=Setup\r\nFGrpName2=Homing\r\n"
                                   "F1=Status\tpr st^M\r\nF11=Rate\tpr ra^M\r\n"));
        QVERIFY(window);
        CommWindow *terminal = terminalOf(*window);
        QVERIFY(terminal);
        QTRY_COMPARE(checkedGroup(*window), QStringLiteral("Motion"));

        // A click on the "group" panel offers the groups; the third is chosen.
        const PopupChooser user(2);
        QTest::mouseClick(&terminal->panels(), Qt::LeftButton, {},
                          terminal->panels().panelRect(QStringLiteral("group")).center());
        QTRY_COMPARE(terminal->settings().fGroup, 2);
        QCOMPARE(checkedGroup(*window), QStringLiteral("Homing"));

        // The editor, opened with Ctrl+F1: back one group, renamed, Done.
        QTimer::singleShot(0, this, [] {
            auto *editor = qobject_cast<FunctionKeyEditor *>(QApplication::activeModalWidget());
            QVERIFY(editor);
            editor->newGroup(true);
            editor->groupNameEdit()->setText(QStringLiteral("Tuning"));
            editor->accept();
        });
        QTest::keyClick(&terminal->view(), Qt::Key_F1, Qt::ControlModifier);
        QCOMPARE(terminal->settings().fGroup, 1);
        QCOMPARE(checkedGroup(*window), QStringLiteral("Tuning"));
        QCOMPARE(window->menus()->menu(MenuId::FuncGroups)->actions().size(), 3);

        // And the menu itself still chooses.
        window->menus()->menu(MenuId::FuncGroups)->actions().at(0)->trigger();
        QCOMPARE(terminal->panels().text(QStringLiteral("group")), QStringLiteral("1"));
        QCOMPARE(checkedGroup(*window), QStringLiteral("Motion"));
        QVERIFY(m_prompt.asked().isEmpty());
    }
};

QTEST_MAIN(TstTerminalPanels)
#include "tst_terminalpanels.moc"
