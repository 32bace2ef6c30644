// Start-up: command-line splitting, switches, preferences path and documents, and the shared helpers.

#include "app/commandline.h"
#include "app/devicecatalogue.h"
#include "app/texthelpers.h"
#include "settings/preferences.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

class TstStartup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theLastArgumentRunsToTheEndOfTheLineWithItsSpaces();
    void argumentsAreLimitedToTheMaximum();
    void switchesAndPreferenceFiles_data();
    void switchesAndPreferenceFiles();
    void hexToLongWeighsEveryDigit_data();
    void hexToLongWeighsEveryDigit();
    void trimLineEndsDropsOnlyBlanksBeforeTerminators();
    void backupNamesReplaceOnlyTheExtensionOfTheFileName();
    void deviceTipsShortenLongFileNames();
    void findNextReusesTheLowestFreeSlot();
    void versionTextPadsMinorAndRevision();
};

void TstStartup::theLastArgumentRunsToTheEndOfTheLineWithItsSpaces()
{
    QCOMPARE(getCommandArgs(QStringLiteral("-f -c C:\\Work Files\\my.ktm")),
             (QStringList{"-f", "-c", "C:\\Work Files\\my.ktm"}));
    QCOMPARE(getCommandArgs(QStringLiteral(" \t-cd")), (QStringList{"-c", "d"}));
    QCOMPARE(getCommandArgs(QString()), QStringList());
    QCOMPARE(getCommandArgs(QStringLiteral("-")), QStringList{"-"});
}

void TstStartup::argumentsAreLimitedToTheMaximum()
{
    QCOMPARE(getCommandArgs(QStringLiteral("-a -b -c"), 2), (QStringList{"-a", "-b"}));
    QCOMPARE(getCommandArgs(QStringLiteral("-a-b-c-d-e-f-g-h-i-j-k-l")).size(), 10);
}

void TstStartup::switchesAndPreferenceFiles_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("startDir");
    QTest::addColumn<QString>("prefFile");
    QTest::addColumn<bool>("can");
    QTest::addColumn<bool>("noReply");
    QTest::addColumn<bool>("factory");
    const QString sep = QDir::separator();
    const QString dir = sep + QStringLiteral("work");
    const QString prefs = dir + sep + "korvoterm.ktm";
    QTest::newRow("no arguments") << "" << dir << prefs << false << false << false;
    QTest::newRow("only four count") << "-c -d -f -s my.ktm" << dir << prefs << true << true << true;
    QTest::newRow("unknown switch is a file name")
        << "-x" << dir << dir + sep + "-x" << false << false << false;
    QTest::newRow("-cd sets only -c") << "-cd" << dir << dir + sep + "d" << true << false << false;
    QTest::newRow("drive colon unchanged")
        << "D:prefs.ktm" << dir << "D:prefs.ktm" << false << false << false;
    QTest::newRow("absolute path unchanged")
        << "-f /etc/my prefs.ktm" << dir << "/etc/my prefs.ktm" << false << false << true;
    QTest::newRow("root gets no second separator")
        << "a.ktm" << sep << sep + "a.ktm" << false << false << false;
    QTest::newRow("any extension names it")
        << "-c /home/u/axis.vxt" << dir << "/home/u/axis.vxt" << true << false << false;
    QTest::newRow("a name with spaces is one file")
        << "-f my prog.kxt" << dir << dir + sep + "my prog.kxt" << false << false << true;
}

void TstStartup::switchesAndPreferenceFiles()
{
    QFETCH(QString, line);
    QFETCH(QString, startDir);
    const StartupOptions options = parseStartup(line, startDir);
    QTEST(options.prefFile, "prefFile");
    QTEST(options.canSetup, "can");
    QTEST(options.noReplyCheck, "noReply");
    QTEST(options.factory, "factory");
}

void TstStartup::hexToLongWeighsEveryDigit_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("lower case") << "ff" << 255;
    QTest::newRow("mixed") << "1A2b" << 0x1A2B;
    QTest::newRow("eight digits wrap") << "FFFFFFFF" << -1;
    QTest::newRow("letters past F keep the arithmetic") << "G" << 16;
}

void TstStartup::hexToLongWeighsEveryDigit()
{
    QFETCH(QString, hex);
    QTEST(hexToLong(hex), "value");
}

void TstStartup::trimLineEndsDropsOnlyBlanksBeforeTerminators()
{
    QCOMPARE(trimLineEnds(QStringLiteral("a b  \r\nc \n  \rd  ")), QStringLiteral("a b\r\nc\n\rd  "));
}

void TstStartup::backupNamesReplaceOnlyTheExtensionOfTheFileName()
{
    QCOMPARE(backupFileName(QStringLiteral("C:\\work.dir\\prog")), QStringLiteral("C:\\work.dir\\prog.bak"));
    QCOMPARE(backupFileName(QStringLiteral("/home/u/motion.kxt")), QStringLiteral("/home/u/motion.bak"));
    QCOMPARE(backupFileName(QStringLiteral("/x.y/a.b.vxt")), QStringLiteral("/x.y/a.b.bak"));
    QCOMPARE(fileNameOnly(QStringLiteral("C:\\a\\b.kxt")), QStringLiteral("b.kxt"));
}

void TstStartup::deviceTipsShortenLongFileNames()
{
    const DeviceTips editTips = deviceTips(Veltor, 1, QStringLiteral("ignored.vxt"));
    QCOMPARE(editTips.upload, QStringLiteral("Upload to Edit Window from Veltor"));
    QCOMPARE(editTips.download, QStringLiteral("Download from Edit Window to Veltor"));
    const DeviceTips fileTips = deviceTips(Norbel, 2, QStringLiteral("/home/user/projects/axis.nbt"));
    QCOMPARE(fileTips.upload, QStringLiteral("Upload to /home/user...ects/axis.nbt from NB[C,M,O,T,V]"));
    QCOMPARE(deviceTips(PlainText, 2, QStringLiteral("a")).upload, QStringLiteral("Upload"));
    QCOMPARE(fileKindForTag(QStringLiteral("NBT")), int(Norbel));
    QCOMPARE(fileKindForTag(QStringLiteral("TXT")), int(PlainText));
}

void TstStartup::findNextReusesTheLowestFreeSlot()
{
    Preferences state;
    state.ensureCommSlot(3);
    state.commCt = 3;
    for (int n = 1; n <= 3; ++n)
        state.commSlots[n].state = 0;
    QCOMPARE(state.findNext(WindowKind::Terminal), 4);
    state.commSlots[2].state = kSlotFree;
    QCOMPARE(state.findNext(WindowKind::Terminal), 2);
    QCOMPARE(state.countWindows(WindowKind::Terminal), 2);
    QCOMPARE(state.findNext(WindowKind::Edit), 1);
}

void TstStartup::versionTextPadsMinorAndRevision()
{
    QCOMPARE(versionText(4, 4, 1), QStringLiteral("4.004.001"));
    QCOMPARE(versionText(1, 0, 0), QStringLiteral("1.000.000"));
}

QTEST_GUILESS_MAIN(TstStartup)
#include "tst_startup.moc"
