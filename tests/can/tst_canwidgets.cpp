// The CAN window's pages without a device: entry rules as the engineer meets them (Enter commits, locked
// bits, grey fields to compute, the rate table, the rate list), each page on its own.

#include "can/bittimingpage.h"
#include "can/commitlineedit.h"
#include "can/framepage.h"
#include "can/maskpage.h"
#include "can/modulesettingspage.h"
#include "can/registerrow.h"
#include "scriptedprompt.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

using namespace korvo;
using F = BitTimingCalculator::Field;

namespace {
void typeInto(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}
} // namespace

class TstCanWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registerFieldsKeepTheirRules()
    {
        MaskPage masks;
        masks.load(CanRecord{});
        RegisterRow *gms1 = masks.row(1);
        QSignalSpy edited(&masks, &MaskPage::edited);
        typeInto(gms1->field(), QStringLiteral("00"));
        QCOMPARE(gms1->field()->text(), QStringLiteral("1F"));
        QCOMPARE(gms1->cell(4)->text(), QStringLiteral("1"));
        QVERIFY(!edited.isEmpty());
        typeInto(gms1->field(), QStringLiteral("0x53"));
        QCOMPARE(gms1->field()->text(), QStringLiteral("0x53")); // ignored, kept as typed
        QCOMPARE(gms1->value(), 0x1F);
        typeInto(gms1->field(), QStringLiteral("1FF"));
        QCOMPARE(gms1->value(), 0x1F);
        masks.row(0)->cell(7)->click();
        QCOMPARE(masks.row(0)->field()->text(), QStringLiteral("7F"));
        CanRecord stored;
        masks.store(stored);
        QCOMPARE(stored.gms0, 0x7F);
        QCOMPARE(stored.gms1, 0x1F);
    }

    void anElevenBitFrameLocksItsLowerRegisters()
    {
        FramePage frame;
        CanRecord record;
        record.lar0[0] = 0x55;
        frame.load(record, 0, CanTarget::Dongle);
        QVERIFY(!frame.extendedOption()->isChecked());
        QVERIFY(frame.row(2)->field()->isReadOnly());
        QVERIFY(!frame.transmitOption()->isEnabled()); // frame 1 of the adapter only receives
        typeInto(frame.row(1)->field(), QStringLiteral("FF"));
        QCOMPARE(frame.row(1)->value(), 0xE0);
        frame.row(1)->cell(2)->click();
        QCOMPARE(frame.row(1)->value(), 0xE0);
        frame.extendedOption()->click();
        QVERIFY(!frame.row(2)->field()->isReadOnly());
        QCOMPARE(frame.row(2)->value(), 0x55); // only locked while 11-bit
        typeInto(frame.row(3)->field(), QStringLiteral("FF"));
        QCOMPARE(frame.row(3)->value(), 0xF8);
        frame.store(record);
        QCOMPARE(record.flags[0], 4);
        QCOMPARE(record.lar1[0], 0xF8);

        frame.load(record, 2, CanTarget::Module);
        QVERIFY(frame.notValidOption()->isChecked()); // frames 2 and 3 start not valid
        QVERIFY(frame.transmitOption()->isChecked() && !frame.transmitOption()->isEnabled());
    }

    void theCalculatorPageComputesTheEmptyFieldAndListsRates()
    {
        BitTimingPage page;
        page.load(0x53, 0x34);
        CommitLineEdit *brp = page.field(F::Brp);
        QCOMPARE(page.field(F::BaudRate)->text(), QStringLiteral("50.0"));
        brp->selectAll();
        QTest::keyClick(brp, Qt::Key_Delete);
        QCOMPARE(brp->palette().color(QPalette::Base), QColor(192, 192, 192));
        typeInto(page.field(F::BaudRate), QStringLiteral("125"));
        QCOMPARE(brp->text(), QStringLiteral("7"));
        QVERIFY(brp->palette().color(QPalette::Base) != QColor(192, 192, 192));
        QCOMPARE(page.rateTable()->item(0, 0)->text(), QStringLiteral("44"));
        QCOMPARE(page.rateTable()->item(0, 3)->text(), QStringLiteral("87.5"));
        // At the page's smallest size every column of the table is whole.
        page.resize(page.minimumSizeHint());
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        const QTableWidget *table = page.rateTable();
        const int last = table->columnCount() - 1;
        QVERIFY2(table->columnViewportPosition(last) + table->columnWidth(last) <= table->viewport()->width(),
                 qPrintable(QStringLiteral("%1 + %2 > %3")
                                .arg(table->columnViewportPosition(last))
                                .arg(table->columnWidth(last))
                                .arg(table->viewport()->width())));

        typeInto(page.field(F::BaudRate), QStringLiteral("800"));
        QCOMPARE(page.rateTable()->rowCount(), 0);
        bool saidSo = false;
        for (const QLabel *label : page.findChildren<QLabel *>())
            saidSo =
                saidSo || label->text().startsWith(QStringLiteral("No setting comes within 1 % of 800.0"));
        QVERIFY(saidSo);
    }

    void aTypedRateMustBeOneTheDeviceKnows()
    {
        ScriptedPrompt prompt;
        ModuleSettingsPage page(CanTarget::Dongle, false, prompt);
        CanRecord record;
        record.baud = 19;
        page.load(record, 3, 96);
        QCOMPARE(page.baudList()->currentText(), QStringLiteral("19200"));
        QLineEdit *typed = page.baudList()->lineEdit();
        typed->selectAll();
        QTest::keyClicks(typed, QStringLiteral("14400"));
        QTest::keyClick(typed, Qt::Key_Return);
        QCOMPARE(prompt.asked().size(), 1);
        QCOMPARE(prompt.asked().front().text, QStringLiteral("Not a valid baudrate"));
        QCOMPARE(prompt.asked().front().icon, PromptIcon::Exclamation);
        QCOMPARE(page.baudList()->currentText(), QStringLiteral("9600")); // the stored record's rate
        int charDelay = 0;
        page.store(record, charDelay);
        QCOMPARE(record.baud, 96);

        page.baudList()->setCurrentIndex(4);
        emit page.baudList()->activated(4);
        page.store(record, charDelay);
        QCOMPARE(record.baud, 11); // 115200: a code no conversion knows
    }
};

QTEST_MAIN(TstCanWidgets)
#include "tst_canwidgets.moc"
