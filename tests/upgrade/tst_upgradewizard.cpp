// The "KorvoTerm Upgrader" window driven as a user drives it, by mouse and by keyboard, on a terminal's link
// whose far end is the simulated controller; time is the fake clock's, so the 4-second and 5-second waits
// of the dialogue take no real time.

#include "functionkeys/capturefile.h"
#include "link/baudchangedialog.h"
#include "settings/preferences.h"
#include "terminal/commwindow.h"
#include "upgradefiles.h"
#include "wizardrig.h"

#include "ui/filedialogs.h"
#include "upgrade/upgradefile.h"
#include "upgrade/upgradelauncher.h"
#include "upgrade/upgradewizard.h"
#include "upgrade/upgradewizardview.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {

QString writeFile(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QStringLiteral("upgrade.zel"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return path;
}

void click(QPushButton *button)
{
    QVERIFY(button->isVisible() && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

// Presses Next until the wizard is at step; a Next that stays disabled ends the presses.
bool nextUntil(UpgradeWizard &wizard, int step)
{
    QPushButton *next = wizard.view()->next();
    for (int presses = 0; presses < 10 && wizard.step() < step && next->isEnabled(); ++presses)
        QTest::mouseClick(next, Qt::LeftButton);
    return wizard.step() == step;
}

} // namespace

class TstUpgradeWizard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aUKorvoIsUpgradedByMouse();
    void aVeltorIsUpgradedByKeyboardAndPreviousFromStepEightLandsOnFive();
    void aRefusedFileLeadsBackToTheFileSelection();
    void aUKorvoOfAnotherCoreIsRefusedNamingBothCores();
    void aDamagedFileStopsAtTheFileStep();
    void otherDeviceTypesGetAnEmptyWizard();
    void aPortThatWillNotOpenIsCommNotEstablished();
    void aControllerThatVanishesMidTransferEndsAtDone();
    void abortBetweenRecordsSendsTheEndRecord();
    void theFactoryFlagLetsTheIdentityBeEditedWithinTheArea();
    void aReportedIdentityTooLongForTheAreaIsNotSent();
    void upgradeCommandShowsTheNoticesAroundTheWizard();
    void throughTheGatewayTheRateCodesAreSentAsTheyStand();
    void noFileChosenClosesTheWizard();

private:
    QTemporaryDir m_dir;
};

void TstUpgradeWizard::aUKorvoIsUpgradedByMouse()
{
    UpgradeSimOptions options;
    options.upgradeSwitch = true;
    options.serial = QStringLiteral("UK1");
    options.type = QStringLiteral("TYPE2");
    WizardRig rig(UKorvo, options);
    rig.settings.settings = QStringLiteral("19200,N,8,1");
    const QList<TestRecord> records = uKorvoRecords();
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(records)));
    UpgradeWizardView *view = wizard->view();
    QCOMPARE(wizard->windowTitle(), QStringLiteral("KorvoTerm Upgrader"));
    QVERIFY(view->message().startsWith(QStringLiteral("Welcome to the:\n     uKorvo Controller UPGRADER")));
    // The buttons never move: where the steps have no use for one it is disabled, not hidden (hiding
    // Previous used to shift Next under the pointer).
    const QRect nextPlace = view->next()->geometry();
    const QRect previousPlace = view->previous()->geometry();
    const auto buttonsInPlace = [&] {
        return view->previous()->isVisible() && view->next()->isVisible() &&
               view->next()->geometry() == nextPlace && view->previous()->geometry() == previousPlace;
    };
    for (int step = 1; step <= 7; ++step) {
        click(view->next());
        QCOMPARE(wizard->step(), step);
        QVERIFY(buttonsInPlace());
    }
    QVERIFY(!view->next()->isEnabled() && !view->previous()->isEnabled()); // step 7 runs by itself
    QCOMPARE(rig.chooserCalls, 1);
    QCOMPARE(view->fileVersion()->text(), QStringLiteral("2.500"));
    // Step 7 finds the controller and goes on to step 8 by itself.
    QVERIFY(rig.runUntil([&] { return wizard->step() == 8; }));
    QCOMPARE(view->controllerVersion()->text(), QStringLiteral("2.500"));
    QCOMPARE(view->serialBox()->text(), QStringLiteral("UK1"));
    QCOMPARE(view->typeBox()->text(), QStringLiteral("TYPE2"));
    QVERIFY(view->serialBox()->isReadOnly());
    QCOMPARE(view->upgradeCancel()->text(), QStringLiteral("&Upgrade"));
    QVERIFY(view->previous()->isEnabled() && !view->next()->isEnabled() && buttonsInPlace());
    QVERIFY(view->message().contains(QStringLiteral("Records to send: 15 (10 data records)")));
    QVERIFY(view->message().contains(QStringLiteral("Estimated time at 19200 baud")));

    click(view->upgradeCancel());
    QCOMPARE(wizard->step(), 9);
    QCOMPARE(view->upgradeCancel()->text(), QStringLiteral("&Abort"));
    QVERIFY(rig.runUntil([&] { return wizard->step() == 10; }));
    QCOMPARE(view->progressText(), QStringLiteral("Done"));
    QCOMPARE(view->upgradeCancel()->text(), QStringLiteral("&DONE"));
    QVERIFY(!view->next()->isEnabled() && !view->previous()->isEnabled());
    QVERIFY(buttonsInPlace());
    // Every record on the line was taken; the end record a uKorvo is not sent is no missing one.
    QVERIFY2(view->progressStats().startsWith(QStringLiteral("Records 15 of 15 sent, ")),
             qPrintable(view->progressStats()));
    QVERIFY(view->progressStats().endsWith(QStringLiteral("(a uKorvo is not sent the file's end record)")));
    const QByteArray area = identityAreaHex(QStringLiteral("UK1"), QStringLiteral("TYPE2")).value();
    QCOMPARE(rig.responder.image(), expectedImage(records, true, area));

    click(view->upgradeCancel());
    QVERIFY(rig.runUntil([&] { return !wizard->isVisible(); }));
    QVERIFY(rig.factory.serial->written().endsWith("::r\r"));
    // The terminal goes back to the controller's default rate, and the main window will say so.
    QVERIFY(wizard->baudChanged());
    QCOMPARE(rig.settings.settings, QStringLiteral("9600,N,8,1"));
    QVERIFY(!rig.link.hasEngine());
}

void TstUpgradeWizard::aVeltorIsUpgradedByKeyboardAndPreviousFromStepEightLandsOnFive()
{
    UpgradeSimOptions options;
    options.core = QStringLiteral("3.2");
    options.serial = QStringLiteral("VEL-2");
    options.type.clear();
    WizardRig rig(Veltor, options);
    rig.sim.receive("UG 6041873\r");
    rig.sim.takeOutput();
    const QList<TestRecord> records = orvBrelRecords();
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(records)));
    UpgradeWizardView *view = wizard->view();
    QVERIFY(view->message().contains(QStringLiteral("Orv/Brel Controller UPGRADER")));
    wizard->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(wizard.get()));
    const auto press = [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); };
    QCOMPARE(QApplication::focusWidget(), view->next());
    press();
    QCOMPARE(wizard->step(), 2); // no step 1 for Orv/Brel
    for (int step = 3; step <= 7; ++step) {
        view->next()->setFocus(); // the file dialog took the focus away once
        press();
        QCOMPARE(wizard->step(), step);
    }
    QVERIFY(rig.runUntil([&] { return wizard->step() == 8; }));
    QCOMPARE(view->serialBox()->text(), QStringLiteral("VEL-2"));
    QCOMPARE(view->controllerVersion()->text(), QStringLiteral("2.500"));

    // Previous from step 8 lands on step 5 and clears the controller's values; the Nexts pass 7 again.
    view->previous()->setFocus();
    press();
    QCOMPARE(wizard->step(), 5);
    QVERIFY(view->controllerVersion()->text().isEmpty());
    view->next()->setFocus();
    press();
    QCOMPARE(wizard->step(), 6);
    press();
    QCOMPARE(wizard->step(), 7);
    QVERIFY(rig.runUntil([&] { return wizard->step() == 8; }));
    QCOMPARE(QApplication::focusWidget(), view->upgradeCancel());
    press();
    QVERIFY(rig.runUntil([&] { return wizard->step() == 10; }));
    QCOMPARE(rig.responder.image(), expectedImage(records, false));
    press(); // DONE
    QVERIFY(rig.runUntil([&] { return !wizard->isVisible(); }));
    QVERIFY(!wizard->baudChanged()); // the terminal was at 9600 already
    QVERIFY(!rig.responder.inUpgradeMode());
}

void TstUpgradeWizard::aRefusedFileLeadsBackToTheFileSelection()
{
    UpgradeSimOptions options;
    options.core = QStringLiteral("3.2");
    WizardRig rig(Fendra, options);
    rig.sim.receive("UG 6041873\r");
    rig.sim.takeOutput();
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(orvBrelRecords('J'))));
    UpgradeWizardView *view = wizard->view();
    QVERIFY(nextUntil(*wizard, 7));
    QVERIFY(rig.runUntil([&] { return view->previous()->isEnabled(); }));
    QVERIFY(view->message().contains(QStringLiteral("Illegal Upgrade File!")));
    QVERIFY(view->message().contains(QStringLiteral("Orv Plus upgrade needed.")));
    QCOMPARE(wizard->step(), 3);
    QVERIFY(!view->next()->isEnabled());
    click(view->previous());
    QCOMPARE(wizard->step(), 2);
    QCOMPARE(rig.chooserCalls, 2);
}

void TstUpgradeWizard::aUKorvoOfAnotherCoreIsRefusedNamingBothCores()
{
    UpgradeSimOptions options;
    options.upgradeSwitch = true;
    options.core = QStringLiteral("1.5");
    WizardRig rig(UKorvo, options);
    rig.settings.settings = QStringLiteral("19200,N,8,1");
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(uKorvoRecords())));
    UpgradeWizardView *view = wizard->view();
    for (int step = 1; step <= 7; ++step)
        click(view->next());
    QVERIFY(rig.runUntil([&] { return view->previous()->isEnabled(); }));
    // The box holds the refusal as it stands; the versions are beside it.
    QCOMPARE(view->message(),
             QStringLiteral("  The CORE Version Numbers DO NOT Match,\n  Contact Factory\n     "
                            "UPGRADE Will ABORT!\n     Press CANCEL"));
    QCOMPARE(view->progressStats(), QStringLiteral("Controller core: 1.500    File core: 1.000"));
    QVERIFY(!view->next()->isEnabled());
}

void TstUpgradeWizard::aDamagedFileStopsAtTheFileStep()
{
    WizardRig rig(Veltor, {});
    rig.sim.receive("UG 6041873\r");
    rig.sim.takeOutput();
    auto wizard = rig.wizard(writeFile(m_dir, hexRecord(0, 0x0100, {}) + "\r\n" + kEndRecord + "\r\n"));
    UpgradeWizardView *view = wizard->view();
    click(view->next());
    QCOMPARE(wizard->step(), 2);
    QVERIFY2(view->message().contains(QStringLiteral("Line 1: a data record (type 00) with no data bytes")),
             qPrintable(view->message()));
    QVERIFY(!view->next()->isEnabled());
    QVERIFY(!rig.factory.serial || !rig.factory.serial->written().contains(':'));
}

void TstUpgradeWizard::otherDeviceTypesGetAnEmptyWizard()
{
    WizardRig rig(Hmi, {});
    auto wizard = rig.wizard(QString());
    QVERIFY(wizard->view()->message().isEmpty());
    QVERIFY(!wizard->view()->next()->isEnabled());
    QVERIFY(!wizard->view()->previous()->isEnabled());
    click(wizard->view()->upgradeCancel());
    QVERIFY(!wizard->isVisible());
    QVERIFY(rig.factory.serial == nullptr || rig.factory.serial->writes.isEmpty());
}

void TstUpgradeWizard::aPortThatWillNotOpenIsCommNotEstablished()
{
    UpgradeSimOptions options;
    options.upgradeSwitch = true;
    WizardRig rig(UKorvo, options);
    rig.factory.openError = QStringLiteral("Permission denied");
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(uKorvoRecords())));
    UpgradeWizardView *view = wizard->view();
    QVERIFY(view->message().contains(QStringLiteral("COMM not Established")));
    QVERIFY(view->message().contains(QStringLiteral("Permission denied")));
    QVERIFY(nextUntil(*wizard, 7));
    QVERIFY(view->message().contains(QStringLiteral("COMM not Established")));
    QVERIFY(view->previous()->isEnabled());
    // The port can be opened now: Previous, then Next, tries again.
    rig.factory.openError.clear();
    rig.factory.serial->openError.clear();
    click(view->previous());
    click(view->next());
    QCOMPARE(wizard->step(), 7);
    QVERIFY(rig.runUntil([&] { return wizard->step() == 8; }));
}

void TstUpgradeWizard::aControllerThatVanishesMidTransferEndsAtDone()
{
    UpgradeSimOptions options;
    options.upgradeSwitch = true;
    WizardRig rig(UKorvo, options);
    rig.settings.lineDelay = 5; // time passes between records
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(uKorvoRecords())));
    UpgradeWizardView *view = wizard->view();
    QVERIFY(nextUntil(*wizard, 7));
    QVERIFY(rig.runUntil([&] { return wizard->step() == 8; }));
    click(view->upgradeCancel());
    QVERIFY(rig.runUntil([&] { return rig.responder.recordsTaken() >= 5; }));
    rig.factory.serial->vanish(QStringLiteral("Input/output error"));
    QCOMPARE(wizard->step(), 10);
    QCOMPARE(view->progressText(), QStringLiteral("Failed"));
    QCOMPARE(view->upgradeCancel()->text(), QStringLiteral("&DONE"));
    click(view->upgradeCancel());
    QVERIFY(!wizard->isVisible());
    QVERIFY(!rig.link.hasEngine());
}

void TstUpgradeWizard::abortBetweenRecordsSendsTheEndRecord()
{
    UpgradeSimOptions options;
    options.core = QStringLiteral("3.2");
    WizardRig rig(Veltor, options);
    rig.sim.receive("UG 6041873\r");
    rig.sim.takeOutput();
    rig.settings.lineDelay = 5;
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(orvBrelRecords())));
    UpgradeWizardView *view = wizard->view();
    QVERIFY(nextUntil(*wizard, 7));
    QVERIFY(rig.runUntil([&] { return wizard->step() == 8; }));
    click(view->upgradeCancel());
    QVERIFY(rig.runUntil([&] { return rig.responder.recordsTaken() >= 4; }));
    QVERIFY2(QRegularExpression(QStringLiteral("^Upgrading\\.\\.\\. \\d{1,3}%$"))
                 .match(view->progressText())
                 .hasMatch(),
             qPrintable(view->progressText()));
    QCOMPARE(view->upgradeCancel()->text(), QStringLiteral("&Abort"));
    click(view->upgradeCancel());
    QVERIFY(view->message().contains(QStringLiteral("ABORTED UPGRADE")));
    QVERIFY(rig.runUntil([&] { return view->progressText() == QLatin1String("Aborted"); }));
    QVERIFY(rig.factory.serial->written().endsWith(":00000001FF\r"));
    QVERIFY(rig.responder.recordsTaken() < 10);
    QCOMPARE(view->upgradeCancel()->text(), QStringLiteral("&Cancel"));
    click(view->upgradeCancel());
    QVERIFY(rig.runUntil([&] { return !wizard->isVisible(); }));
    QVERIFY(rig.responder.inUpgradeMode());
}

void TstUpgradeWizard::theFactoryFlagLetsTheIdentityBeEditedWithinTheArea()
{
    UpgradeSimOptions options;
    options.upgradeSwitch = true;
    options.serial = QStringLiteral("OLD");
    options.type = QStringLiteral("T");
    WizardRig rig(UKorvo, options);
    rig.settings.lineDelay = 5; // the record-level progress shows between records
    const QList<TestRecord> records = uKorvoRecords();
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(records)), true);
    UpgradeWizardView *view = wizard->view();
    QVERIFY(nextUntil(*wizard, 7));
    // Checks passed: the wizard stays at step 7 for the serial number to be changed.
    QVERIFY(rig.runUntil([&] { return view->next()->isEnabled(); }));
    QCOMPARE(wizard->step(), 7);
    QVERIFY(view->message().contains(QStringLiteral("If You need to change the Serial Number")));
    QVERIFY(!view->serialBox()->isReadOnly());
    view->serialBox()->selectAll();
    QTest::keyClicks(view->serialBox(), QStringLiteral("SERIAL-NO-99")); // 12 characters, more than 10
    QCOMPARE(view->serialBox()->text(), QStringLiteral("SERIAL-NO-"));
    view->typeBox()->selectAll();
    QTest::keyClicks(view->typeBox(), QStringLiteral("TYPE-LONG")); // only 5 fit beside a 10-character serial
    QCOMPARE(view->typeBox()->text(), QStringLiteral("TYPE-"));
    click(view->next());
    QCOMPARE(wizard->step(), 8);
    QVERIFY(view->serialBox()->isReadOnly());
    click(view->upgradeCancel());
    QVERIFY(rig.runUntil([&] { return view->progressText().contains(QStringLiteral("  01")); }));
    QVERIFY(view->progressText().startsWith(QStringLiteral(":")));
    QVERIFY(rig.runUntil([&] { return wizard->step() == 10; }));
    const QByteArray area = identityAreaHex(QStringLiteral("SERIAL-NO-"), QStringLiteral("TYPE-")).value();
    QCOMPARE(rig.responder.image(), expectedImage(records, true, area));
}

void TstUpgradeWizard::aReportedIdentityTooLongForTheAreaIsNotSent()
{
    UpgradeSimOptions options;
    options.upgradeSwitch = true;
    options.serial = QStringLiteral("1234567890");
    options.type = QStringLiteral("ABCDEFGHIJKL");
    WizardRig rig(UKorvo, options);
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(uKorvoRecords())));
    UpgradeWizardView *view = wizard->view();
    QVERIFY(nextUntil(*wizard, 7));
    QVERIFY(rig.runUntil([&] { return wizard->step() == 8; }));
    // Shown as reported, never cut: the boxes do not guess which characters to drop.
    QCOMPARE(view->typeBox()->text(), QStringLiteral("ABCDEFGHIJKL"));
    const qsizetype before = rig.factory.serial->writes.size();
    click(view->upgradeCancel());
    QCOMPARE(wizard->step(), 8);
    QVERIFY(view->message().contains(QStringLiteral("more than 15 characters")));
    QCOMPARE(rig.factory.serial->writes.size(), before);
}

void TstUpgradeWizard::upgradeCommandShowsTheNoticesAroundTheWizard()
{
    UpgradeSimOptions options;
    options.upgradeSwitch = true;
    WizardRig rig(UKorvo, options);
    CommWindowSettings slot;
    slot.portName = QStringLiteral("/dev/fake0");
    slot.device = UKorvo;
    slot.settings = QStringLiteral("19200,N,8,1");
    slot.connected = true;
    const QString file = writeFile(m_dir, upgradeText(uKorvoRecords()));
    const FileDialogs fileDialogs([file](const FileDialogRequest &request) -> std::optional<QString> {
        return request.title == QLatin1String("Select uKorvo Upgrade File") ? std::optional<QString>(file)
                                                                            : std::nullopt;
    });
    QWidget parent;
    parent.show();
    {
        CaptureFile capture;
        IdleCommandHost host;
        CommWindow terminal(1, slot, rig.clock, rig.factory, capture, fileDialogs, *rig.prompt, host,
                            QString());
        QVERIFY(terminal.isConnected());
        UpgradeLaunch launch;
        launch.showBaudChange = true;
        runUpgradeCommand(&parent, &terminal, fileDialogs, *rig.prompt, launch);
        // The rate notice comes first, the wizard only after it.
        QPointer<BaudChangeDialog> notice = parent.findChild<BaudChangeDialog *>();
        QVERIFY(notice && notice->isVisible());
        QVERIFY(!parent.findChild<UpgradeWizard *>());
        notice->accept();
        QPointer<UpgradeWizard> wizard = parent.findChild<UpgradeWizard *>();
        QVERIFY(wizard && wizard->isVisible());
        QVERIFY(wizard->isModal());
        QVERIFY(nextUntil(*wizard, 7));
        QVERIFY(rig.runUntil([&] { return wizard->step() == 8; }));
        click(wizard->view()->upgradeCancel());
        QVERIFY(rig.runUntil([&] { return wizard->step() == 10; }));
        rig.prompt->clear();
        click(wizard->view()->upgradeCancel());
        QVERIFY(rig.runUntil([&] { return wizard.isNull() || !wizard->isVisible(); }));
        // Then the notice that the rate went back, and the terminal's link open again at that rate.
        QCOMPARE(rig.prompt->asked().size(), 1);
        QCOMPARE(rig.prompt->asked().first().text,
                 QStringLiteral("BAUD Rate has changed to 9600 to match uKorvo Default Settings."));
        QCOMPARE(slot.settings, QStringLiteral("9600,N,8,1"));
        QVERIFY(terminal.isConnected());
        QVERIFY(rig.factory.serial->isOpen());
        QVERIFY(!terminal.link().hasEngine());
    }
}

void TstUpgradeWizard::throughTheGatewayTheRateCodesAreSentAsTheyStand()
{
    UpgradeSimOptions options;
    options.core = QStringLiteral("3.2");
    WizardRig rig(Veltor, options);
    rig.settings.tcpipEnabled = true;
    rig.settings.tcpAddress = QStringLiteral("10.1.2.3");
    rig.sim.setLineBaud(9600);
    rig.sim.receive("UG 6041873\r");
    rig.sim.takeOutput();
    const QList<TestRecord> records = orvBrelRecords();
    auto wizard = rig.wizard(writeFile(m_dir, upgradeText(records)));
    UpgradeWizardView *view = wizard->view();
    QCOMPARE(rig.factory.socket->lastPort, quint16(503));
    QVERIFY(nextUntil(*wizard, 7));
    QVERIFY(rig.factory.socket->written().startsWith("}02:19\x03"));
    QVERIFY(rig.runUntil([&] { return wizard->step() == 8; }));
    click(view->upgradeCancel());
    QVERIFY(rig.runUntil([&] { return wizard->step() == 10; }));
    QCOMPARE(rig.responder.image(), expectedImage(records, false));
    click(view->upgradeCancel());
    QVERIFY(rig.runUntil([&] { return !wizard->isVisible(); }));
    // Closing: character 3, then the gateway back to its rate code 11 exactly as the dialogue fixes it.
    QVERIFY(rig.factory.socket->written().endsWith("\x03\x03}02:11"));
    QVERIFY(wizard->baudChanged());
}

void TstUpgradeWizard::noFileChosenClosesTheWizard()
{
    UpgradeSimOptions options;
    options.upgradeSwitch = true;
    WizardRig rig(UKorvo, options);
    auto wizard = rig.wizard(QString());
    click(wizard->view()->next());
    click(wizard->view()->next());
    QVERIFY(rig.runUntil([&] { return !wizard->isVisible(); }));
    QVERIFY(!wizard->baudChanged());
    QVERIFY(rig.factory.serial->writes.isEmpty());
}

QTEST_MAIN(TstUpgradeWizard)
#include "tst_upgradewizard.moc"
