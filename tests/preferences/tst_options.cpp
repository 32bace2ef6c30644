// The preferences dialog: the palette mapping, discovery replies, pages that open by request code, a round
// trip without edits that leaves the preferences file byte for byte, OK with two changed pages, the device
// choice, discovery of two simulated gateways, and the dialog on a screen smaller than its pages.

#include "app/clock.h"
#include "filebytes.h"
#include "link/portenumerator.h"
#include "preferences/commpage.h"
#include "preferences/devicediscovery.h"
#include "preferences/discoveryreplies.h"
#include "preferences/optionsdialog.h"
#include "preferences/palette.h"
#include "preferences/preferencesrunner.h"
#include "scriptedprompt.h"
#include "settings/inifile.h"
#include "settings/preferences.h"
#include "settings/prefsfile.h"
#include "sim/controllersim.h"
#include "sim/simgateway.h"
#include "ui/fontfallback.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace korvo;

namespace {
struct ListedPorts final : PortEnumerator
{
    QList<SerialPortEntry> availablePorts() const override { return ports; }
    QList<SerialPortEntry> ports;
};
} // namespace

class TstOptions : public QObject
{
    Q_OBJECT
    ScriptedPrompt m_prompt;

private Q_SLOTS:
    void paletteIndexesAreThePanelsOfStoredColours()
    {
        QCOMPARE(getColor(255), 12);
        QCOMPARE(getColor(0xFFFFFF), 15);
        QCOMPARE(getColor(0xC0C0C0), 7);
        QCOMPARE(getColor(0x123456), 0);
        for (int i = 0; i < kPaletteSize; ++i)
            QCOMPARE(getColor(paletteValue(i)), i);
    }

    void discoveryRepliesSplitIntoDevicesInArrivalOrder()
    {
        const QByteArray buffer = "\x06:KORVO-GW:KG1:10.0.0.5\x06:KORVO-GW:KG2:";
        QCOMPARE(parseDiscoveryReplies(buffer, {"10.0.0.20", "10.0.0.21"}),
                 (QList<DiscoveredDevice>{{"10.0.0.20", "KG1", "10.0.0.5"}, {"10.0.0.21", "KG2", ""}}));
        // A record without its third colon takes the rest of the buffer as its serial number.
        QCOMPARE(parseDiscoveryReplies("\x06:GW:KG3\x06:GW:KG4:x", {"a", "b"}),
                 (QList<DiscoveredDevice>{{"a", "KG3\x06:GW:KG4:x", ""}}));
        QVERIFY(parseDiscoveryReplies("garbage", {"a"}).isEmpty());

        // One device per gateway, however often it answers; only replies from the port asked count.
        DiscoveryReplies replies({503});
        for (int i = 0; i < 2000; ++i)
            QCOMPARE(replies.add("10.0.0.20", 503, "\x06:GW:KG1:"), i == 0);
        QVERIFY(!replies.add("10.0.0.22", 5030, "\x06:GW:KG9:"));
        QVERIFY(!replies.add("10.0.0.23", 503, "TOBRIX6102")); // the broadcast's own echo
        QVERIFY(replies.add("10.0.0.21", 503, "\x06:GW:KG2:10.0.0.5\x06:GW:KG3:"));
        QCOMPARE(replies.devices(),
                 (QList<DiscoveredDevice>{{"10.0.0.20", "KG1", ""}, {"10.0.0.21", "KG2", "10.0.0.5"}}));
    }

    void requestCodesOpenTheirPagesAndApplyToOnlyOnTerminalPages()
    {
        QCOMPARE(pageForRequest(PreferencesRequest::TextEditorApplyTo), TextEditorPage);
        QCOMPARE(pageForRequest(PreferencesRequest::General), GeneralPage);
        Preferences state;
        OptionsDialog::Context context;
        context.request = PreferencesRequest::CommSettings;
        OptionsDialog dialog(OptionsValues::load(state, 0), context, systemClock(), m_prompt);
        QCOMPARE(dialog.currentPage(), int(CommSettingsPage));
        QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("cmdApply"))->isEnabled());
        auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tbsOptions"));
        QCOMPARE(tabs->tabText(3), QStringLiteral("Comm Settings"));
        QCOMPARE(tabs->tabToolTip(4), QStringLiteral("General KorvoTerm Program Settings"));
    }

    void theDialogFitsALaptopScreenCentredOnTheMainWindowWithNoPageScrolling()
    {
        // On a 1366x768 laptop the dialog was 788 pixels tall and OK and Cancel were off the screen; the
        // test screen is smaller still. The height follows the font, so the test picks a desktop's usual
        // 10-point text (13 pixels at 96 dpi) rather than whatever this machine has.
        const QFont machineFont = QApplication::font();
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPixelSize(13);
        QApplication::setFont(font);
        const auto restoreFont = qScopeGuard([&] { QApplication::setFont(machineFont); });
        QWidget owner;
        const QRect screen = owner.screen()->availableGeometry();
        owner.setGeometry(screen.adjusted(60, 60, -60, -60));
        owner.show();
        Preferences state;
        state.ensureCommSlot(1);
        OptionsDialog::Context context;
        context.request = PreferencesRequest::CommSettings;
        OptionsDialog dialog(OptionsValues::load(state, 1), context, systemClock(), m_prompt, &owner);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY2(screen.contains(dialog.frameGeometry()),
                 qPrintable(QDebug::toString(dialog.frameGeometry())));
        QVERIFY2((dialog.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 2,
                 qPrintable(QDebug::toString(dialog.frameGeometry())));
        for (const char *name : {"cmdOK", "cmdCancel", "cmdApply"}) {
            const QWidget *button = dialog.findChild<QPushButton *>(QLatin1String(name));
            QVERIFY(screen.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())));
        }
        // A desktop panel leaves 741 of a 768-pixel screen for a window and its title bar: the dialog is at
        // most 680 tall and every page is whole, none scrolls.
        QVERIFY2(dialog.height() <= 680, qPrintable(QString::number(dialog.height())));
        const auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tbsOptions"));
        for (int i = 0; i < tabs->count(); ++i) {
            dialog.setPage(i + 1);
            const auto *scroller = qobject_cast<const QScrollArea *>(tabs->widget(i));
            QVERIFY(scroller);
            QCOMPARE(scroller->verticalScrollBar()->maximum(), 0);
        }
    }

    void applyToIsKeptBetweenOpeningsForEachKindOfRequest()
    {
        Preferences state;
        state.ensureCommSlot(1);
        state.commSlots[1] = state.commSlots[0];
        state.commSlots[0].tcpAddress = QStringLiteral("10.0.0.9");
        ApplyToWord applyTo;
        // Opens the dialog for request, hands it to act, and answers with what the boxes showed.
        const auto open = [&](PreferencesRequest request, const std::function<void(QDialog &)> &act) {
            QString ticked;
            QTimer::singleShot(0, this, [&] {
                auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                for (int i = 0; i < 3; ++i)
                    ticked +=
                        dialog->findChild<QCheckBox *>(QStringLiteral("chkApplyTo%1").arg(i))->isChecked()
                            ? QLatin1Char('x')
                            : QLatin1Char('-');
                act(*dialog);
                dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
            });
            runPreferences(request, {state, 1}, {}, applyTo, systemClock(), m_prompt, nullptr);
            return ticked;
        };

        // Default ticked for the terminal format, a block cursor applied, then Cancel: both got it.
        QCOMPARE(open(PreferencesRequest::TerminalFormat,
                      [](QDialog &dialog) {
                          QStringList colours;
                          auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tbsOptions"));
                          auto *list = tabs->widget(2)->findChild<QListWidget *>(QStringLiteral("List1"));
                          for (int row = 0; row < list->count(); ++row)
                              colours << list->item(row)->text();
                          QCOMPARE(colours, (QStringList{"Text", "BackGround", "Comm"}));
                          dialog.findChild<QCheckBox *>(QStringLiteral("chkApplyTo0"))->click();
                          for (QRadioButton *button : dialog.findChildren<QRadioButton *>())
                              if (button->text().remove(u'&') == QLatin1String("Block Cursor"))
                                  button->click();
                          dialog.findChild<QPushButton *>(QStringLiteral("cmdApply"))->click();
                      }),
                 QStringLiteral("-x-"));
        QCOMPARE(state.commSlots[0].blockCursor, int16_t(1));
        QCOMPARE(state.commSlots[1].blockCursor, int16_t(1));
        // The next opening shows the choice again; the communication settings keep their own, and the
        // device list says "No Devices!" until discovery finds one, whatever address is stored.
        QCOMPARE(open(PreferencesRequest::TerminalFormat, [](QDialog &) {}), QStringLiteral("xx-"));
        QCOMPARE(open(PreferencesRequest::CommSettings,
                      [](QDialog &dialog) {
                          QCOMPARE(
                              dialog.findChild<QComboBox *>(QStringLiteral("cboTCPIPDevices"))->currentText(),
                              QStringLiteral("No Devices!"));
                      }),
                 QStringLiteral("-x-"));
        QCOMPARE(applyTo.bits(), 8 | 16 | 128);
        // Without the boxes an Apply reaches the active terminal only.
        QCOMPARE(applyTo.targets(PreferencesRequest::General), int(ApplyActive));
    }

    void aRoundTripWithoutEditsChangesNoByteOfThePreferences()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("korvoterm.ktm"));
        const QString version = QStringLiteral("1.000.000");
        Preferences state;
        state.ensureCommSlot(1);
        state.commSlots[1] = state.commSlots[0];
        state.commSlots[1].name = QStringLiteral("Terminal1");
        state.commSlots[1].settings = QStringLiteral("19200,e,7,2");
        state.commSlots[1].tcpAddress = QStringLiteral("10.0.0.9");
        state.commSlots[1].forecolor = 3;
        state.styles[2].fore[4] = 0x123456; // outside the palette
        // Families no machine has: shown as the face used, kept in the file.
        const QString missing = QStringLiteral("No Such Family KT25");
        state.commSlots[1].font = missing;
        state.styles[2].font = missing + QStringLiteral(" Mono");
        state.styles[1].font = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
        state.commCt = 1;
        QVERIFY(writeIniFile(path, state, version, false));
        const QByteArray before = fileBytes(path);

        // Every page applied as it was loaded, then OK.
        OptionsDialog::Context context;
        context.request = PreferencesRequest::TerminalFormat;
        context.terminalOpen = true;
        OptionsDialog dialog(OptionsValues::load(state, 1), context, systemClock(), m_prompt);
        QObject::connect(&dialog, &OptionsDialog::applyRequested, [&](int page) {
            applyOptionsPage(dialog, page, {state, 1}, {});
        });
        const auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("tbsOptions"));
        const QString inUse = QFontInfo(installedOrFixedPitch(missing)).family();
        QVERIFY(QFontInfo(installedOrFixedPitch(missing)).fixedPitch());
        QStringList shown;
        QStringList tips;
        for (int page = TextEditorPage; page <= GeneralPage; ++page) {
            dialog.setPage(page);
            if (auto *name = tabs->currentWidget()->findChild<QLineEdit *>(QStringLiteral("txtFontName"))) {
                shown << name->text();
                tips << name->toolTip();
            }
            dialog.apply();
        }
        // The text editor keeps an installed family (whatever this machine calls its fixed font) as it is.
        QCOMPARE(shown, (QStringList{state.styles[1].font, inUse, inUse}));
        QVERIFY(tips[0].isEmpty());
        QVERIFY2(tips[1].contains(state.styles[2].font) && tips[2].contains(missing),
                 qPrintable(tips.join('\n')));
        QVERIFY(writeIniFile(path, state, version, false));
        // Only the line settings change: the communication page writes them as its rate with ",N,8,1".
        QCOMPARE(fileBytes(path), QByteArray(before).replace("Settings=19200,e,7,2", "Settings=19200,N,8,1"));
    }

    void applyIsEnabledByARealChangeOnly()
    {
        Preferences state;
        state.ensureCommSlot(1);
        OptionsDialog::Context context;
        context.request = PreferencesRequest::TerminalFormat;
        context.terminalOpen = true;
        OptionsDialog dialog(OptionsValues::load(state, 1), context, systemClock(), m_prompt);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const auto *apply = dialog.findChild<QPushButton *>(QStringLiteral("cmdApply"));
        auto *rows = dialog.findChild<QComboBox *>(QStringLiteral("cmbTerm0"));
        rows->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!apply->isEnabled());
        rows->setFocus();
        rows->lineEdit()->end(false);
        QTest::keyClick(rows->lineEdit(), Qt::Key_5);
        QVERIFY(apply->isEnabled());
        QTest::keyClick(rows->lineEdit(), Qt::Key_Backspace);
        QVERIFY(!apply->isEnabled());
    }

    void okAppliesEveryChangedPageInPageOrder()
    {
        Preferences state;
        state.ensureCommSlot(1);
        state.commSlots[1] = state.commSlots[0];
        OptionsDialog::Context context;
        context.request = PreferencesRequest::TerminalFormat;
        OptionsDialog dialog(OptionsValues::load(state, 1), context, systemClock(), m_prompt);
        QList<int> applied;
        QObject::connect(&dialog, &OptionsDialog::applyRequested, [&](int page) {
            applied << page;
            applyOptionsPage(dialog, page, {state, 1}, {});
        });
        // General: file history off; terminal format: block cursor.
        dialog.setPage(GeneralPage);
        dialog.findChild<QCheckBox *>(QStringLiteral("chkGeneral"))->click();
        dialog.setPage(TerminalFormatPage);
        for (QRadioButton *button : dialog.findChildren<QRadioButton *>())
            if (button->text().remove(u'&') == QLatin1String("Block Cursor"))
                button->click();
        QVERIFY(dialog.isChanged(GeneralPage) && dialog.isChanged(TerminalFormatPage));
        dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        QCOMPARE(applied, (QList<int>{TerminalFormatPage, GeneralPage}));
        QCOMPARE(state.commSlots[1].blockCursor, int16_t(1));
        QCOMPARE(state.setup.remFileHistory, int16_t(0));
        // The template slot was not ticked: it keeps its line cursor.
        QCOMPARE(state.commSlots[0].blockCursor, int16_t(0));
    }

    void choosingA926qTakesTheTerminalsDelaysAndAMatchingRate()
    {
        CommWindowSettings active;
        active.charDelay = 12;
        active.lineDelay = 340;
        active.settings = QStringLiteral("38400,N,8,1");
        CommPage page(systemClock(), m_prompt);
        page.setActiveTerminal(&active);
        page.load(OptionsValues());
        page.findChild<QRadioButton *>(QStringLiteral("optIndexer2"))->click();
        OptionsValues values;
        page.store(values);
        QCOMPARE(values.terminal.device, int16_t(2));
        QCOMPARE(values.terminal.charDelay, 12);
        QCOMPARE(values.terminal.lineDelay, 340);
        QCOMPARE(values.terminal.settings, QStringLiteral("38400,N,8,1"));
        active.settings = QStringLiteral("115200,N,8,1");
        page.findChild<QRadioButton *>(QStringLiteral("optIndexer2"))->click();
        page.store(values);
        QCOMPARE(values.terminal.settings, QStringLiteral("9600,N,8,1"));
        // A typed device path becomes PortName; Port keeps what the file held.
        auto *port = page.findChild<QComboBox *>(QStringLiteral("cmbPort"));
        port->lineEdit()->selectAll();
        QTest::keyClicks(port->lineEdit(), QStringLiteral("/dev/pts/77"));
        page.store(values);
        QCOMPARE(values.terminal.portName, QStringLiteral("/dev/pts/77"));
        QCOMPARE(values.terminal.port, int16_t(1));

        // The ports offered are the machine's list; what was typed stays.
        const AdapterIdentity adapter{0x0403, 0x6001, QStringLiteral("A6008isP"), QStringLiteral("FT232R")};
        ListedPorts listed;
        listed.ports = {{QStringLiteral("/dev/ttyUSB0"), adapter.description, adapter}};
        page.setPorts(&listed);
        QCOMPARE(port->count(), 1);
        QCOMPARE(port->itemText(0), QStringLiteral("/dev/ttyUSB0 \u2014 FT232R"));
        QCOMPARE(port->currentText(), QStringLiteral("/dev/pts/77"));
        // Applied to a terminal on another port, the adapter it remembered is forgotten.
        CommWindowSettings terminal;
        terminal.portName = QStringLiteral("/dev/ttyUSB0");
        terminal.adapter = adapter;
        copyCommSettings(values.terminal, terminal);
        QVERIFY(!terminal.adapter.isSet());
    }

    void twoSimulatedGatewaysShowAsTwoDevices()
    {
        ControllerSim first(Veltor);
        ControllerSim second(Fendra);
        SimGateway one(first);
        SimGateway two(second);
        QString error;
        QVERIFY2(one.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QVERIFY2(two.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QVERIFY(one.listenDiscovery(QHostAddress::LocalHost, one.port(), &error));
        QVERIFY(two.listenDiscovery(QHostAddress::LocalHost, two.port(), &error));
        one.setSerialNumber("KG503-1111");
        one.setReportedConnection("127.0.0.1"); // this computer, though not its first network address
        two.setSerialNumber("KG503-2222");
        two.setReportedConnection("10.9.9.9");

        CommPage page(systemClock(), m_prompt);
        page.setDiscoveryTarget(QStringLiteral("127.0.0.1:%1,127.0.0.1:%2").arg(one.port()).arg(two.port()));
        OptionsValues values;
        values.terminal.tcpAddress = QStringLiteral("10.0.0.7");
        page.load(values);
        auto *devices = page.findChild<QComboBox *>(QStringLiteral("cboTCPIPDevices"));
        // The address in use shows, not "No Devices!", and stays when discovery offers others.
        QCOMPARE(devices->currentText(), QStringLiteral("10.0.0.7"));
        page.discover();
        QTRY_COMPARE(devices->count(), 3);
        QCOMPARE(devices->itemText(0), QStringLiteral("Select IP"));
        auto *serial = page.findChild<QLineEdit *>(QStringLiteral("txtSerNum"));
        auto *connection = page.findChild<QLineEdit *>(QStringLiteral("txtCurrentConn_IP"));
        auto *override = page.findChild<QCheckBox *>(QStringLiteral("chkOverRide"));
        QStringList serials;
        for (int index : {1, 2}) {
            devices->setCurrentIndex(index);
            emit devices->activated(index);
            serials << serial->text();
            if (serial->text() == QLatin1String("KG503-2222")) {
                // Held by another computer: red, and Override is the user's choice.
                QCOMPARE(connection->text(), QStringLiteral("10.9.9.9"));
                QCOMPARE(connection->palette().color(QPalette::Text), QColor(255, 0, 0));
                QVERIFY(override->isEnabled() && !override->isChecked());
            } else {
                QCOMPARE(connection->palette().color(QPalette::Text), QColor(0, 0, 255));
                QVERIFY(!override->isEnabled() && override->isChecked());
            }
        }
        serials.sort();
        QCOMPARE(serials, QStringList({"KG503-1111", "KG503-2222"}));
    }
};

QTEST_MAIN(TstOptions)
#include "tst_options.moc"
