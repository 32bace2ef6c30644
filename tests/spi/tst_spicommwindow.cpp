// The SPI window as a user drives it, on a fake parallel port with the simulated device, a fake converter
// port and the fake clock: messages and their log lines, one-byte stepping, repetition and Stop, the boxes
// of its failures, capture and Save Log, and its place in the main window's View menu and the workspace.

#include "fakeclock.h"
#include "fakelinks.h"
#include "fakeparallelport.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "shell/mainmenus.h"
#include "shell/mainwindow.h"
#include "spi/digitspinbox.h"
#include "spi/spicommwindow.h"
#include "spi/spilogview.h"
#include "ui/filedialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

class TestSpiCommWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPrompt> m_prompt;
    FileDialogs m_fileDialogs;
    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<FakeLinkFactory> m_links;
    FakeParallelPort *m_port = nullptr; // the window's, once it made one
    QString m_portError;
    ProgramOptions m_options;
    SpiRecord m_spi; // the record as the window last reported it

    std::unique_ptr<SpiCommWindow> openWindow(int port, int count = 1, int rate = 100)
    {
        SpiRecord record;
        record.port = qint16(port);
        record.count = count;
        record.rate = rate;
        SpiCommWindow::Services services;
        services.clock = m_clock.get();
        services.links = m_links.get();
        services.fileDialogs = &m_fileDialogs;
        services.makePort = [this] {
            auto port = std::make_unique<FakeParallelPort>();
            port->openError = m_portError;
            port->slave.setReg(0x10, 0x5A);
            m_port = port.get();
            return port;
        };
        services.calibrate = [](ParallelPort *) {
            SpiCalibration c;
            c.clockHz = 25000;
            return c;
        };
        auto window = std::make_unique<SpiCommWindow>(record, *m_prompt, nullptr, services);
        m_spi = window->record();
        connect(window.get(), &SpiCommWindow::recordChanged, this,
                [this](const SpiRecord &changed) { m_spi = changed; });
        return window;
    }

    static QString logText(SpiCommWindow &window)
    {
        window.flushLog();
        return window.logView()->toPlainText();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_options = ProgramOptions{};
        m_options.startDir = m_dir->path();
        m_options.prefFile = m_dir->filePath(QStringLiteral("korvoterm.ktm"));
        m_spi = SpiRecord{};
        m_prompt = std::make_unique<ScriptedPrompt>();
        m_clock = std::make_unique<FakeClock>();
        m_links = std::make_unique<FakeLinkFactory>(*m_clock);
        m_port = nullptr;
        m_portError.clear();
    }

    void cleanup()
    {
        m_fileDialogs.setRunner({});
        m_prompt.reset();
    }

    void theControlsCarryTheirCaptionsAndTips()
    {
        auto window = openWindow(1);
        QCOMPARE(window->windowTitle(), QStringLiteral("SPI Communications"));
        QCOMPARE(window->portList()->count(), 40);
        QCOMPARE(window->portList()->itemText(0), QStringLiteral("Lpt1-SPI"));
        QCOMPARE(window->portList()->itemText(39), QStringLiteral("Com36-USB SPI"));
        QCOMPARE(window->outputEdit()->toolTip(), QStringLiteral("Enter Output in HEX format"));
        QCOMPARE(window->countBox()->toolTip(),
                 QStringLiteral("Enter Number of times to Send Output (0=continuous, 1 to 1000)"));
        QCOMPARE(window->rateBox()->toolTip(),
                 QStringLiteral("Enter Rate to Send Output, 0=One char at a time."));
        QCOMPARE(window->sendButton()->text(), QStringLiteral("&Send"));
        QCOMPARE(window->captureButton()->text(), QStringLiteral("&Capture..."));
        QCOMPARE(window->doneButton()->text(), QStringLiteral("&Done"));
        QCOMPARE(window->clearButton()->text().remove(u'&'), QStringLiteral("Clr Comm."));
        QStringList labels;
        for (const QLabel *label : window->findChildren<QLabel *>())
            labels << label->text();
        for (const char *caption : {"&Port:", "&Output:", "Coun&t:", "&Rate:", "Comm."})
            QVERIFY2(labels.contains(QLatin1String(caption)), caption);
        // Opening on a parallel port leaves the device deselected, and the status line tells the clock.
        QCOMPARE(m_port->writes, QList<quint8>{4});
        QVERIFY2(window->statusLine()->text().contains(QLatin1String("SPI clock 25.0 kHz")),
                 qPrintable(window->statusLine()->text()));
        QVERIFY(m_spi.visible);
    }

    void aMessageIsSentAndLoggedWithItsTimes()
    {
        auto window = openWindow(1);
        window->outputEdit()->setText(QStringLiteral("03 10 00"));
        window->sendButton()->click();
        QCOMPARE(logText(*window), QStringLiteral(">  03 10 00\n<  FF FF 5A"));
        QVERIFY(window->logView()->gutterOf(0).contains(
            QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d +\\d+\\.\\d\\d ms$"))));
        QCOMPARE(window->logView()->gutterOf(1), QString());
        QCOMPARE(window->sendButton()->text(), QStringLiteral("&Send"));
        QCOMPARE(m_spi.lastSent, QStringLiteral("031000"));

        // 25 bytes: 20 on the first line, 5 on the next, for both directions.
        window->logView()->clear();
        window->clearButton()->click();
        window->outputEdit()->setText(QStringLiteral("0310") + QStringLiteral("00").repeated(23));
        window->sendButton()->click();
        const QStringList lines = logText(*window).split(u'\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0].count(u' '), 1 + 20);
        QCOMPARE(lines[1], QStringLiteral("   00 00 00 00 00"));
        QVERIFY2(lines[2].startsWith(QLatin1String("<  FF FF 5A")), qPrintable(lines.join(u'|')));
    }

    void theLogKeepsTheLastTenThousandExchanges()
    {
        SpiLog log;
        const QDateTime at = QDateTime::currentDateTime();
        for (int i = 0; i < int(SpiLog::kMaxExchanges) + 5; ++i)
            log.append({QByteArray(1, char(i)), QByteArray(1, '\xFF'), double(i), 0}, at);
        QCOMPARE(log.entries().size(), SpiLog::kMaxExchanges);
        QCOMPARE(log.entries().front().messageMs, 5.0);
        QCOMPARE(log.entries().front().lines.first(), QStringLiteral(">  05"));

        // The view drops whole exchanges from its top, gutter and all.
        SpiLogView view;
        std::vector<SpiLog::Entry> first(log.entries().begin(), log.entries().begin() + 3);
        view.appendEntries(first, 0);
        std::vector<SpiLog::Entry> next(log.entries().begin() + 3, log.entries().begin() + 5);
        view.appendEntries(next, 2);
        QCOMPARE(view.toPlainText().split(u'\n').size(), 3 * 2);
        QVERIFY(view.toPlainText().startsWith(QLatin1String(">  07\n<  FF\n>  08")));
        QCOMPARE(view.gutterOf(0), SpiLog::gutterText(log.entries()[2]));
        QCOMPARE(view.gutterOf(1), QString());
        QCOMPARE(view.gutterOf(4), SpiLog::gutterText(log.entries()[4]));
    }

    void badOutputIsRefused()
    {
        auto window = openWindow(1);
        for (const char *text : {"", "A5 3", "  "}) {
            window->outputEdit()->setText(QLatin1String(text));
            window->sendButton()->click();
        }
        QCOMPARE(m_prompt->asked().size(), 3);
        QCOMPARE(m_prompt->asked()[0].text, QStringLiteral("Output Incomplete."));
        QCOMPARE(m_prompt->asked()[0].title, QStringLiteral("SPI Communications"));
        QCOMPARE(m_prompt->asked()[0].icon, PromptIcon::Information);
        QCOMPARE(m_port->writes.size(), 1); // only the idle write at open
        // A paste with anything but hex digits and spaces is refused whole.
        window->outputEdit()->setText(QStringLiteral("A5"));
        window->outputEdit()->insert(QStringLiteral(" 3C,4D"));
        QCOMPARE(window->outputEdit()->text(), QStringLiteral("A5"));
        window->outputEdit()->insert(QStringLiteral(" 3c 4D"));
        QCOMPARE(window->outputEdit()->text(), QStringLiteral("A5 3c 4D"));
    }

    void countAndRateClampAndAreStored()
    {
        auto window = openWindow(1);
        window->countBox()->selectAll();
        QTest::keyClicks(window->countBox(), QStringLiteral("123456789012345678901234567890"));
        QTest::keyClick(window->countBox(), Qt::Key_Enter);
        QCOMPARE(window->countBox()->value(), 1000);
        QCOMPARE(m_spi.count, 1000);
        window->rateBox()->selectAll();
        QTest::keyClicks(window->rateBox(), QStringLiteral("3x0-0.0"));
        QTest::keyClick(window->rateBox(), Qt::Key_Enter);
        QCOMPARE(window->rateBox()->value(), 3000);
        QCOMPARE(m_spi.rate, 3000);
    }

    void rateZeroExchangesTheNextByteEachPress()
    {
        auto window = openWindow(1, 1, 0);
        window->outputEdit()->setText(QStringLiteral("031000"));
        for (int press = 0; press < 4; ++press)
            window->sendButton()->click();
        QCOMPARE(logText(*window), QStringLiteral(">  03\n<  FF\n>  10\n<  FF\n>  00\n<  5A\n>  03\n<  FF"));
    }

    void aRepeatingConverterRunsUntilStopped()
    {
        auto window = openWindow(5, 0, 100);
        window->deviceEdit()->setText(QStringLiteral("/dev/pts/7"));
        QVERIFY(QMetaObject::invokeMethod(window->deviceEdit(), "editingFinished"));
        QCOMPARE(m_spi.portName, QStringLiteral("/dev/pts/7"));
        window->outputEdit()->setText(QStringLiteral("A5 3C"));
        window->sendButton()->click();
        QCOMPARE(window->sendButton()->text(), QStringLiteral("&Stop"));
        FakeSerialLink &serial = *m_links->serial;
        QCOMPARE(serial.lastPortName, QStringLiteral("/dev/pts/7"));
        for (int i = 0; i < 5; ++i) {
            serial.deliver(QByteArray::fromHex("FFFF"));
            m_clock->advance(10);
        }
        QCOMPARE(serial.writes.size(), 6);
        QVERIFY(window->statusLine()->text().contains(QLatin1String("sent 5")));
        window->sendButton()->click(); // Stop
        QCOMPARE(window->sendButton()->text(), QStringLiteral("&Send"));
        m_clock->advance(5000);
        QCOMPARE(serial.writes.size(), 6);
        QVERIFY(!serial.isOpen());
        QCOMPARE(logText(*window).count(QStringLiteral(">  A5 3C")), 5);
        QVERIFY(m_prompt->asked().isEmpty());
    }

    void converterFailuresShowTheirBoxesAndStop()
    {
        auto window = openWindow(5, 0, 100);
        window->outputEdit()->setText(QStringLiteral("A5"));
        window->sendButton()->click();
        m_clock->advance(1000); // silent
        QCOMPARE(m_prompt->asked().size(), 1);
        QCOMPARE(
            m_prompt->asked()[0].text,
            QStringLiteral("Comm Port Not Open: the SPI converter answered 0 of 1 bytes within 1000 ms"));
        QCOMPARE(m_prompt->asked()[0].title, QStringLiteral("Comm Error"));
        QCOMPARE(m_prompt->asked()[0].icon, PromptIcon::Critical);
        QCOMPARE(window->sendButton()->text(), QStringLiteral("&Send"));
        QCOMPARE(m_clock->nextDeadline(), -1);

        window->rateBox()->setValue(0);
        window->sendButton()->click();
        m_links->serial->deliver("2.1\r");
        QCOMPARE(m_prompt->asked().size(), 2);
        QCOMPARE(m_prompt->asked()[1].text,
                 QStringLiteral("Set Rate > 0\r\nThis VT-QX510 does not support Single Character Mode."));
        QCOMPARE(m_prompt->asked()[1].title, QStringLiteral("QX510 Version"));
        QCOMPARE(m_prompt->asked()[1].icon, PromptIcon::Information);

        m_links->serial->openError = QStringLiteral("No such file or directory");
        window->rateBox()->setValue(100);
        window->sendButton()->click();
        QCOMPARE(m_prompt->asked().size(), 3);
        QCOMPARE(m_prompt->asked()[2].text, QStringLiteral("No such file or directory"));
        QCOMPARE(m_prompt->asked()[2].title, QStringLiteral("Comm Error"));
    }

    void aMissingParallelPortIsNotedAtOpenAndRefusedOnSend()
    {
        m_portError =
            QStringLiteral("/dev/parport0: No such file or directory. There is no such parallel port");
        auto window = openWindow(1);
        QVERIFY(window->statusLine()->text().contains(m_portError));
        QVERIFY(m_prompt->asked().isEmpty());
        window->outputEdit()->setText(QStringLiteral("A5"));
        window->sendButton()->click();
        QCOMPARE(m_prompt->asked().size(), 1);
        QCOMPARE(m_prompt->asked()[0].text, m_portError);
        QCOMPARE(m_prompt->asked()[0].title, QStringLiteral("Comm Error"));
        QVERIFY(m_port->writes.isEmpty());
        QVERIFY(!window->isSending());
        QCOMPARE(window->sendButton()->text(), QStringLiteral("&Send"));
    }

    void captureAndSaveLogWriteTheExchanges()
    {
        auto window = openWindow(1);
        const QString capture = m_dir->filePath(QStringLiteral("capture.txt"));
        const QString saved = m_dir->filePath(QStringLiteral("log.txt"));
        QString next = capture;
        m_fileDialogs.setRunner([&](const FileDialogRequest &) -> std::optional<QString> { return next; });
        window->captureButton()->click();
        QCOMPARE(window->captureButton()->text(), QStringLiteral("End &Capture"));
        window->outputEdit()->setText(QStringLiteral("031000"));
        window->sendButton()->click();
        window->captureButton()->click();
        QCOMPARE(window->captureButton()->text(), QStringLiteral("&Capture..."));
        QFile captured(capture);
        QVERIFY(captured.open(QIODevice::ReadOnly));
        QCOMPARE(captured.readAll(), QByteArray(">  03 10 00\r\n<  FF FF 5A\r\n"));

        next = saved;
        window->saveLogButton()->click();
        QFile log(saved);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QVERIFY(lines[0].endsWith("ms  >  03 10 00\r"));
        QVERIFY(lines[1].trimmed() == "<  FF FF 5A");

        next = m_dir->filePath(QStringLiteral("no/such/folder/capture.txt"));
        window->captureButton()->click();
        QCOMPARE(m_prompt->asked().size(), 1);
        QCOMPARE(m_prompt->asked()[0].title, QStringLiteral("File Error"));
        QCOMPARE(window->captureButton()->text(), QStringLiteral("&Capture..."));
    }

    void theViewMenuOpensItAndTheWorkspaceReopensIt()
    {
        {
            // A converter: nothing to calibrate.
            QFile prefs(m_options.prefFile);
            QVERIFY(prefs.open(QIODevice::WriteOnly));
            prefs.write("[SPI Configuration]\r\nPort=5\r\nPortName=/dev/pts/77\r\n");
        }
        {
            MainWindow main(m_options, *m_prompt);
            main.start();
            QAction *item = main.menus()->action(Command::SpiCommunications);
            QVERIFY(!main.spiWindow());
            item->trigger();
            QVERIFY(main.spiWindow());
            QVERIFY(item->isChecked());
            main.spiWindow()->outputEdit()->setText(QStringLiteral("02 10 AB"));
            main.spiWindow()->doneButton()->click();
            QVERIFY(!item->isChecked());
            QVERIFY(!main.prefs().spi.visible);
            QCOMPARE(main.prefs().spi.lastSent, QStringLiteral("0210AB"));
            item->trigger();
            QCOMPARE(main.spiWindow()->outputEdit()->text(), QStringLiteral("0210AB"));
            QVERIFY(main.close()); // exit with the window open: it comes back next time
            QVERIFY(m_prompt->asked().isEmpty());
            QVERIFY(main.prefs().spi.visible);
        }
        MainWindow again(m_options, *m_prompt);
        again.start();
        QVERIFY(again.spiWindow());
        QVERIFY(again.menus()->action(Command::SpiCommunications)->isChecked());
        QCOMPARE(again.prefs().spi.port, qint16(5));
        QCOMPARE(again.spiWindow()->deviceEdit()->text(), QStringLiteral("/dev/pts/77"));
    }
};

QTEST_MAIN(TestSpiCommWindow)
#include "tst_spicommwindow.moc"
