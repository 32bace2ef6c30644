// The CAN configuration window on a terminal's real link (a kernel pty, or the TCP gateway) against the
// simulated CAN module, adapter and monitor: read, edit, OK, reopen; the adapter found at another rate;
// the silent, refusing and absent device; and "-d".

#include "app/clock.h"
#include "app/scaledclock.h"
#include "can/bittimingpage.h"
#include "can/canconfigwindow.h"
#include "can/commitlineedit.h"
#include "can/framepage.h"
#include "can/registerrow.h"
#include "functionkeys/capturefile.h"
#include "link/linkfactory.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "sim/canresponder.h"
#include "sim/controllersim.h"
#include "sim/simgateway.h"
#include "sim/simpty.h"
#include "terminal/commwindow.h"
#include "ui/filedialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

using namespace korvo;

namespace {
constexpr int kLinkTimeoutMs = 20000;

// A simulated CAN device on a pty or behind the gateway, and a connected terminal window on it.
struct Bench
{
    Bench(Prompt &asker, CanResponder::Kind kind, bool tcp = false, int ownBaud = 9600)
        : prompt(asker), responder(kind), pty(controller), gateway(controller)
    {
        responder.attach(controller);
        controller.setOwnBaud(ownBaud);
        QString error;
        prefs.ensureCommSlot(1);
        CommWindowSettings &s = prefs.commSlots[1];
        s = CommWindowSettings{};
        s.connected = true;
        if (tcp) {
            ok = gateway.listen(QHostAddress::LocalHost, 0, &error);
            s.tcpipEnabled = true;
            s.tcpAddress = QStringLiteral("127.0.0.1:%1").arg(gateway.port());
        } else {
            ok = pty.open(&error);
            s.portName = pty.path();
        }
        if (!ok)
            qWarning() << error;
        terminal = std::make_unique<CommWindow>(1, s, clock, systemLinkFactory(), capture, realFileDialogs(),
                                                prompt, host, QString());
    }

    // As the main window opens it: from the stored records, which take back what the window reports.
    CanConfigWindow *open(CanTarget target)
    {
        CanWindowSetup setup;
        setup.records = {prefs.canTable[0], prefs.canTable[1], prefs.canTable[2]};
        setup.place = prefs.canWindow;
        setup.noReplyCheck = noReplyCheck;
        auto *window = new CanConfigWindow(target, terminal->link(), setup, prompt);
        QObject::connect(window, &CanConfigWindow::recordsChanged,
                         [this](const std::array<CanRecord, 3> &records) {
                             std::copy(records.begin(), records.end(), prefs.canTable.begin());
                         });
        QObject::connect(window, &CanConfigWindow::placeChanged,
                         [this](const CanWindowRecord &place) { prefs.canWindow = place; });
        window->show();
        return window;
    }

    Prompt &prompt;
    Preferences prefs;
    bool noReplyCheck = false; // "-d"

    CanResponder responder;
    ControllerSim controller;
    SimPty pty;
    SimGateway gateway;
    bool ok = false;
    // The simulated devices need no settling time: the terminal's pauses and time-outs run ten times shorter.
    ScaledClock clock{systemClock(), 10};
    CaptureFile capture;
    IdleCommandHost host;
    std::unique_ptr<CommWindow> terminal;
};

bool asked(const ScriptedPrompt &prompt, const QString &text)
{
    for (const PromptRequest &request : prompt.asked())
        if (request.text == text)
            return true;
    return false;
}

void typeInto(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}
} // namespace

class TstCanWindowEndToEnd : public QObject
{
    Q_OBJECT

    ScriptedPrompt m_prompt;

    void readEditProgramAndReopen(bool tcp)
    {
        Bench bench(m_prompt, CanResponder::Kind::Module, tcp);
        QVERIFY(bench.ok);
        QPointer<CanConfigWindow> window = bench.open(CanTarget::Module);
        QCOMPARE(window->windowTitle(), QStringLiteral("CAN MODULE Configuration"));
        QTRY_COMPARE_WITH_TIMEOUT(window->statusLabel()->text(), QStringLiteral("Communicating"),
                                  kLinkTimeoutMs);
        QVERIFY(
            asked(m_prompt, QStringLiteral("Connect MODULE \"Config\" to Ground.\r\nThen click \"OK\".")));
        QCOMPARE(m_prompt.asked().front().title, QStringLiteral("MicroKORVO CAN MODULE Configuration"));
        QVERIFY(window->commandButton(CanConfigWindow::Button::ModuleDefaults)->isEnabled());
        QVERIFY(window->pageButton(CanPage::Frame3)->isVisible());

        // A new bit rate from the table for 125 kbit/s.
        BitTimingPage *timing = window->bitTimingPage();
        QCOMPARE(timing->field(BitTimingCalculator::Field::BaudRate)->text(), QStringLiteral("50.0"));
        typeInto(timing->field(BitTimingCalculator::Field::BaudRate), QStringLiteral("125"));
        QVERIFY(timing->rateTable()->rowCount() > 0);
        timing->pickRow(0);
        QCOMPARE(timing->field(BitTimingCalculator::Field::Btr0)->text(), QStringLiteral("44"));
        QVERIFY(window->commandButton(CanConfigWindow::Button::Apply)->isEnabled());

        // Message frame 3: made valid, with a 29-bit identifier starting 12.
        window->pageButton(CanPage::Frame3)->click();
        FramePage *frame = window->framePage();
        QVERIFY(frame->notValidOption()->isChecked());
        frame->validOption()->click();
        frame->extendedOption()->click();
        typeInto(frame->row(0)->field(), QStringLiteral("12"));

        window->commandButton(CanConfigWindow::Button::Ok)->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), kLinkTimeoutMs);
        QVERIFY(asked(m_prompt,
                      QStringLiteral("Disconnect MODULE \"Config\" from Ground.\r\nThen click \"OK\".")));
        QCOMPARE(bench.responder.module().value("BTR0"), 0x44);
        QCOMPARE(bench.responder.module().value("FLAGS(2)"), 4);
        QCOMPARE(bench.responder.module().value("UAR0(2)"), 0x12);
        QCOMPARE(bench.prefs.canTable[0].btr0, 0x53); // OK stores the working copy as it found it
        QVERIFY(!bench.responder.inConfigMode());

        m_prompt.clear();
        QPointer<CanConfigWindow> again = bench.open(CanTarget::Module);
        QTRY_COMPARE_WITH_TIMEOUT(again->statusLabel()->text(), QStringLiteral("Communicating"),
                                  kLinkTimeoutMs);
        QCOMPARE(again->bitTimingPage()->field(BitTimingCalculator::Field::BaudRate)->text(),
                 QStringLiteral("125.0"));
        again->pageButton(CanPage::Frame3)->click();
        QCOMPARE(again->framePage()->row(0)->field()->text(), QStringLiteral("12"));
        QVERIFY(again->framePage()->extendedOption()->isChecked());
        QVERIFY(again->framePage()->validOption()->isChecked());
        again->commandButton(CanConfigWindow::Button::Cancel)->click();
        QTRY_VERIFY_WITH_TIMEOUT(again.isNull(), kLinkTimeoutMs);
    }

private Q_SLOTS:
    void init() { m_prompt.clear(); }

    void aModuleOverAPtyIsReadEditedProgrammedAndReopened() { readEditProgramAndReopen(false); }
    void aModuleThroughTheGatewayIsReadEditedProgrammedAndReopened() { readEditProgramAndReopen(true); }

    void theDongleIsFoundAtNineteenTwoHundred()
    {
        Bench bench(m_prompt, CanResponder::Kind::Dongle, false, 19200);
        QVERIFY(bench.ok);
        QPointer<CanConfigWindow> window = bench.open(CanTarget::Dongle);
        QTRY_COMPARE_WITH_TIMEOUT(window->statusLabel()->text(), QStringLiteral("Communicating"),
                                  kLinkTimeoutMs);
        QCOMPARE(bench.prefs.commSlots[1].settings, QStringLiteral("19200,N,8,1"));
        QCOMPARE(bench.prefs.canTable[1].baud, 19);
        QVERIFY(!window->pageButton(CanPage::Frame3)->isVisible());
        QCOMPARE(window->pageButton(CanPage::Settings)->text(), QStringLiteral("&RS232 Baud Rate"));
        QVERIFY(window->commandButton(CanConfigWindow::Button::CanDefaults)->isVisible() &&
                !window->commandButton(CanConfigWindow::Button::ModuleDefaults)->isVisible());
        window->commandButton(CanConfigWindow::Button::Cancel)->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), kLinkTimeoutMs);
        QVERIFY(!bench.responder.inConfigMode());
        QVERIFY(m_prompt.asked().isEmpty());

        // Found at 19200 but its report cut short: offline, and closed by the title bar. The terminal keeps
        // the rate found (it went back to 9600 before).
        Bench cut(m_prompt, CanResponder::Kind::Dongle, false, 19200);
        QVERIFY(cut.ok);
        cut.responder.setFault(CanResponder::Fault::Short);
        QPointer<CanConfigWindow> offline = cut.open(CanTarget::Dongle);
        QTRY_COMPARE_WITH_TIMEOUT(offline->statusLabel()->text(), QStringLiteral("No Communications"),
                                  kLinkTimeoutMs);
        QTRY_VERIFY(!m_prompt.asked().isEmpty());
        offline->close();
        QCOMPARE(cut.prefs.commSlots[1].settings, QStringLiteral("19200,N,8,1"));
        QCOMPARE(cut.prefs.canTable[1].baud, 19);
    }

    void theMonitorIsReadLikeTheDongle()
    {
        Bench bench(m_prompt, CanResponder::Kind::Monitor);
        QVERIFY(bench.ok);
        QPointer<CanConfigWindow> window = bench.open(CanTarget::Monitor);
        QCOMPARE(window->windowTitle(), QStringLiteral("CAN MONITOR Configuration"));
        QTRY_COMPARE_WITH_TIMEOUT(window->statusLabel()->text(), QStringLiteral("Communicating"),
                                  kLinkTimeoutMs);
        QCOMPARE(window->statusLabel()->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        window->pageButton(CanPage::Frame2)->click();
        QVERIFY(window->framePage()->transmitOption()->isChecked());
        QVERIFY(window->framePage()->transmitOption()->isEnabled());
        QVERIFY(!window->framePage()->notValidOption()->isEnabled());
        window->close(); // closing otherwise than by OK or Cancel sends nothing
        QVERIFY(bench.responder.inConfigMode());
    }

    void aSilentDeviceLeavesTheWindowOffline()
    {
        Bench bench(m_prompt, CanResponder::Kind::Dongle);
        QVERIFY(bench.ok);
        bench.controller.setSilent(true);
        QPointer<CanConfigWindow> window = bench.open(CanTarget::Dongle);
        QTRY_COMPARE_WITH_TIMEOUT(window->statusLabel()->text(), QStringLiteral("No Communications"),
                                  kLinkTimeoutMs);
        QTRY_COMPARE(m_prompt.asked().size(), 1);
        const PromptRequest &notice = m_prompt.asked().front();
        QCOMPARE(notice.text, QStringLiteral("Could Not Establish Comm. with Dongle!"));
        QCOMPARE(notice.title, QStringLiteral("CAN DONGLE"));
        QCOMPARE(notice.icon, PromptIcon::Exclamation);
        QCOMPARE(window->statusLabel()->palette().color(QPalette::WindowText), QColor(128, 0, 0));
        QVERIFY(!window->commandButton(CanConfigWindow::Button::CanDefaults)->isEnabled());
        QCOMPARE(bench.prefs.commSlots[1].settings, QStringLiteral("9600,N,8,1"));
        window->commandButton(CanConfigWindow::Button::Cancel)->click();
        QTRY_VERIFY(window.isNull());
    }

    void aRefusedPageIsReported()
    {
        Bench bench(m_prompt, CanResponder::Kind::Dongle);
        QVERIFY(bench.ok);
        bench.responder.setFault(CanResponder::Fault::Nak);
        QPointer<CanConfigWindow> window = bench.open(CanTarget::Dongle);
        QTRY_COMPARE_WITH_TIMEOUT(window->statusLabel()->text(), QStringLiteral("Communicating"),
                                  kLinkTimeoutMs);
        typeInto(window->bitTimingPage()->field(BitTimingCalculator::Field::Btr0), QStringLiteral("41"));
        window->commandButton(CanConfigWindow::Button::Apply)->click();
        QTRY_VERIFY_WITH_TIMEOUT(asked(m_prompt, QStringLiteral("Failed to Apply Setting")), kLinkTimeoutMs);
        QVERIFY(!window->commandButton(CanConfigWindow::Button::Apply)->isEnabled());
        window->close();
    }

    void withoutReplyCheckASilentModuleStillCommunicates()
    {
        Bench bench(m_prompt, CanResponder::Kind::Module);
        bench.noReplyCheck = true;
        QVERIFY(bench.ok);
        bench.controller.setSilent(true);
        QPointer<CanConfigWindow> window = bench.open(CanTarget::Module);
        QTRY_COMPARE_WITH_TIMEOUT(window->statusLabel()->text(), QStringLiteral("Communicating"),
                                  kLinkTimeoutMs);
        window->close();
    }

    void aVanishingDeviceIsReportedOnce()
    {
        Bench bench(m_prompt, CanResponder::Kind::Dongle);
        QVERIFY(bench.ok);
        bench.responder.setVanishAfter(2, [&bench] { bench.pty.drop(); });
        QPointer<CanConfigWindow> window = bench.open(CanTarget::Dongle);
        QTRY_COMPARE_WITH_TIMEOUT(window->statusLabel()->text(), QStringLiteral("No Communications"),
                                  kLinkTimeoutMs);
        QTRY_COMPARE(m_prompt.asked().size(), 1);
        QCOMPARE(m_prompt.asked().front().icon, PromptIcon::Critical);
        window->commandButton(CanConfigWindow::Button::Cancel)->click();
        QTRY_VERIFY(window.isNull());
        QCOMPARE(m_prompt.asked().size(), 1);
    }
};

QTEST_MAIN(TstCanWindowEndToEnd)
#include "tst_canwindow_e2e.moc"
