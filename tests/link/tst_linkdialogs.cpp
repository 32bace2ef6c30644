// The link's two small dialogs: the control-lines dialog's OK follows the changes, the baud notice's check
// box mirrors and writes the ShowBaudChange preference.

#include "link/baudchangedialog.h"
#include "link/controllinesdialog.h"
#include "settings/preferences.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace korvo;

class TstLinkDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void okIsEnabledOnlyWhileALineDiffersFromItsOpeningLevel();
    void theBaudNoticeShowsAndStoresTheInverseOfShowBaudChange();
};

void TstLinkDialogs::okIsEnabledOnlyWhileALineDiffersFromItsOpeningLevel()
{
    ControlLinesDialog dialog({true, false});
    QCOMPARE(dialog.windowTitle(), "RS 232 Control Lines");
    auto *rts = dialog.findChild<QCheckBox *>("chkRTS");
    auto *dtr = dialog.findChild<QCheckBox *>("chkDTR");
    auto *ok = dialog.findChild<QPushButton *>("cmdCtrlLines0");
    QVERIFY(rts && dtr && ok);
    QVERIFY(rts->isChecked());
    QVERIFY(!dtr->isChecked());
    QVERIFY(!ok->isEnabled());

    dtr->click();
    QCOMPARE(dialog.changedBits(), 2);
    QVERIFY(ok->isEnabled());
    rts->click();
    QCOMPARE(dialog.changedBits(), 3);
    dtr->click();
    QCOMPARE(dialog.changedBits(), 1);
    rts->click();
    QCOMPARE(dialog.changedBits(), 0);
    QVERIFY(!ok->isEnabled());

    dtr->click();
    ok->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.lines(), (ControlLines{true, true}));
}

void TstLinkDialogs::theBaudNoticeShowsAndStoresTheInverseOfShowBaudChange()
{
    bool showBaudChange = true;
    BaudChangeDialog dialog(showBaudChange);
    connect(&dialog, &BaudChangeDialog::showBaudChangeChanged, this,
            [&](bool show) { showBaudChange = show; });
    auto *label = dialog.findChild<QLabel *>("lblBaudChange");
    auto *box = dialog.findChild<QCheckBox *>("chkNoShowAgain");
    QVERIFY(label && box);
    QCOMPARE(label->text(), "During UPGRADE, the BaudRate is changed to 19200");
    QCOMPARE(box->text(), "&Don't Show Again.");
    QVERIFY(!box->isChecked());
    dialog.setMessage(QStringLiteral("BAUD Rate has changed to 9600 to match Veltor Default Settings."));
    QCOMPARE(label->text(), "BAUD Rate has changed to 9600 to match Veltor Default Settings.");

    box->click();
    QVERIFY(!showBaudChange);
    box->click();
    QVERIFY(showBaudChange);

    BaudChangeDialog again(false);
    QVERIFY(again.findChild<QCheckBox *>("chkNoShowAgain")->isChecked());
}

QTEST_MAIN(TstLinkDialogs)
#include "tst_linkdialogs.moc"
