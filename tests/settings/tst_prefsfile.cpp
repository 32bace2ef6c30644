// The preferences file as a whole: defaults, the history and function-key rules, slot renumbering,
// a full workspace round trip, the backup, a write that cannot happen and saves killed half-way.

#include "app/texthelpers.h"
#include "editor/programfile.h"
#include "filebytes.h"
#include "settings/inihelpers.h"
#include "settings/prefsfile.h"
#include "settings/prefsmap.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace korvo;

namespace {

// Gives every scalar field a value of its own, different from its default.
class Filler
{
public:
    void int16(const char *, int16_t &f, int16_t) { f = static_cast<int16_t>(m_next++); }
    void int32(const char *, int32_t &f, int32_t) { f = 100000 + m_next++; }
    void deviceType(const char *, DeviceType &f, DeviceType) { f = DeviceType(m_next++); }
    void boolean(const char *, bool &f, bool defaultValue) { f = !defaultValue; }
    void single(const char *, float &f, float) { f = static_cast<float>(m_next++) + 0.25f; }
    // Within the range, so that the value survives the reader's clamp.
    void int16(const char *, int16_t &f, int16_t, ValueRange r) { f = static_cast<int16_t>(inRange(r)); }
    void int32(const char *, int32_t &f, int32_t, ValueRange r) { f = inRange(r); }
    void single(const char *, float &f, float, ValueRange r) { f = static_cast<float>(inRange(r)) + 0.25f; }
    void text(const char *, QString &f, const QString &)
    {
        f = QStringLiteral("t%1 é\u2022 x").arg(m_next++);
    }
    void optionalText(const char *key, QString &f) { text(key, f, QString()); }
    void optionalHex16(const char *, quint16 &f) { f = static_cast<quint16>(0xA000 + m_next++); }
    void character(const char *, int16_t &f, char) { f = static_cast<int16_t>('A' + m_next++ % 26); }

private:
    int inRange(ValueRange r) { return r.lowest + m_next++ % (r.highest - r.lowest); }

    int m_next = 100;
};

const QString kVersion = QStringLiteral("1.000.000");

// Written in factory mode, so that it has every record.
Preferences richWorkspace()
{
    Preferences s;
    Filler fill;
    int16_t ignored = 0;
    prefsmap::setup(fill, s.setup, ignored, ignored);
    s.setup.remFileHistory = -1;
    s.setup.maxFileHistoryCt = 8;
    prefsmap::docStyle(fill, s.styles[1], false);
    prefsmap::docStyle(fill, s.styles[2], true);
    for (int n = 0; n <= 3; ++n) {
        s.ensureEditSlot(n);
        prefsmap::editSlot(fill, s.editSlots[n], n);
        s.editSlots[n].state = static_cast<int16_t>(n % 3);
    }
    s.docCt = 3;
    for (int n = 0; n <= 3; ++n) {
        s.ensureCommSlot(n);
        CommWindowSettings &c = s.commSlots[n];
        prefsmap::commSlot(fill, c, n);
        c.state = 0;
        c.fKeyEn = n != 3;
        c.fGroupCt = static_cast<int16_t>(n + 1);
        c.fGroup = static_cast<int16_t>(n);
        c.groupNames.clear();
        c.keys.assign(static_cast<std::size_t>(c.fGroupCt) * 10, {});
        for (int g = 0; g < c.fGroupCt; ++g)
            c.groupNames.append(QStringLiteral("Axis %1 €").arg(g));
        for (std::size_t k = 0; k < c.keys.size(); k += 3)
            c.keys[k] = {QStringLiteral("K%1").arg(k), QStringLiteral("MOVE %1^m\tnext").arg(k)};
    }
    s.commCt = 3;
    for (int i = 0; i < 5; ++i)
        s.recentFiles.append(QStringLiteral("C:\\Work Files\\motion%1.vxt").arg(i));
    s.setup.fileHistoryCt = 5;
    prefsmap::canWindow(fill, s.canWindow);
    prefsmap::canRecord(fill, s.canTable[0], true);
    prefsmap::canRecord(fill, s.canTable[1], false);
    prefsmap::spi(fill, s.spi);
    prefsmap::browser(fill, s.browser);
    prefsmap::ramViewer(fill, s.ramViewer);
    return s;
}

Preferences readFrom(const QByteArray &bytes, bool factory = false)
{
    Preferences s;
    readPrefs(IniFile::fromBytes(bytes), s, factory);
    return s;
}

IniFile imageOf(const Preferences &s, bool factory = false)
{
    return prefsImage(s, kVersion, factory);
}

#ifdef Q_OS_UNIX
// Saves generation n of a file's content to path, as the program does.
using Save = std::function<bool(const QString &path, int n)>;

struct KillCounts
{
    int saves = 0;
    int kills = 0;
    int killedMidSave = 0; // the disk had changed: a temporary file, the backup or the file itself
    int replaced = 0;      // the new content was in place, whether or not the save was killed
};

// Saves the next generation in a child process that is SIGKILLed after a seeded random delay (measured
// by spinning) of up to what a child's save takes here, until 200 saves have been killed. After each one
// the file holds the old content or the new; once the new is in place the backup holds the old, and
// before that it holds the old or the one before (or is missing while it is being made again).
void killSavesAtRandomMoments(const Save &save, const QString &name, KillCounts &counts)
{
    QTemporaryDir dir;
    QTemporaryDir scratch;
    const QString path = dir.filePath(name);
    const QString backup = backupFileName(path);
    const QString backupName = QFileInfo(backup).fileName();
    const QByteArray missing = "<missing>";
    QVERIFY(save(path, 0) && save(path, 1));
    int generation = 1;
    QByteArray old = fileBytes(path, missing);
    QByteArray older = fileBytes(backup, missing);
    QByteArray next;
    qint64 saveTime = 0;
    QRandomGenerator random(27);
    while (counts.kills < 200) {
        QVERIFY(++counts.saves < 2000);
        if (next.isEmpty()) {
            // What the save writes and how long a child takes to make it, from the same save into
            // another folder.
            QElapsedTimer timer;
            timer.start();
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0)
                ::_exit(save(scratch.filePath(name), generation + 1) ? 0 : 1);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            saveTime = timer.nsecsElapsed();
            next = fileBytes(scratch.filePath(name));
        }
        const qint64 delay = random.bounded(saveTime + 1);
        QElapsedTimer timer;
        timer.start();
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0)
            ::_exit(save(path, generation + 1) ? 0 : 1);
        while (timer.nsecsElapsed() < delay) {
        }
        ::kill(child, SIGKILL);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        QVERIFY(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0));

        const QByteArray now = fileBytes(path, missing);
        const QByteArray kept = fileBytes(backup, missing);
        QVERIFY(now == old || now == next);
        if (now == next)
            QVERIFY(kept == old);
        else
            QVERIFY(kept == older || kept == old || kept == missing);
        // Only a temporary file that was being written may be left beside them.
        bool leftOver = false;
        for (const QString &file : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) {
            if (file == name || file == backupName)
                continue;
            QVERIFY2(file.startsWith(u'.' + name + u'.') || file.startsWith(u'.' + backupName + u'.'),
                     qPrintable(file));
            QVERIFY(QFile::remove(dir.filePath(file)));
            leftOver = true;
        }
        if (killed) {
            ++counts.kills;
            counts.killedMidSave += leftOver || kept != older || now != old;
        }
        if (now == next) {
            ++counts.replaced;
            older = old;
            old = next;
            next.clear();
            ++generation;
        } else {
            older = kept;
        }
    }
}
#endif

} // namespace

class TstPrefsFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aMissingEmptyOrDamagedFileGivesTheDefaultWorkspace_data();
    void aMissingEmptyOrDamagedFileGivesTheDefaultWorkspace();
    void aTruncatedFileKeepsWhatItHolds();
    void recentFilesFollowTheHistoryCounts();
    void functionKeyGroupsFollowFGroupCtOrTheLastKey();
    void anEmptyGroupNameIsWrittenAsOneSpace();
    void closedSlotsLeaveNoGapsInTheNumbering();
    void sectionAndKeyNamesMatchWithoutRegardToCase();
    void damagedCountsCannotOpenAFloodOfWindows();
    void hostileSizesAreClampedToWhatTheDialogAllows_data();
    void hostileSizesAreClampedToWhatTheDialogAllows();
    void theRamViewerIsKeptOnlyInFactoryMode();
    void aCanCharacterThatCannotBeWrittenBackKeepsItsDefault();
    void aRichWorkspaceRoundTripsByteForByte();
    void terminalKeysAreWrittenInTheirFixedOrder();
    void theBackupHoldsThePreviousFile();
    void aWriteIntoAReadOnlyFolderLeavesTheOldFileIntact();
    void aSaveKilledAtAnyMomentLeavesTheOldOrTheNewFileAndTheBackup();
};

void TstPrefsFile::aMissingEmptyOrDamagedFileGivesTheDefaultWorkspace_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("empty") << QByteArray("\r\n\r\n");
    QTest::newRow("binary") << QByteArray("\x00\xFF\xFE[\x95]\x01=\x02\n\n\x7F", 12);
    QTest::newRow("broken header") << QByteArray("[Setup\nState=0\nDocCt=5\n");
    QTest::newRow("non-numbers") << QByteArray("[setup]\nDocCt=lots\nCommCt=\n");
}

void TstPrefsFile::aMissingEmptyOrDamagedFileGivesTheDefaultWorkspace()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("korvoterm.ktm");
    if (!bytes.isNull())
        QVERIFY(replaceFile(path, bytes));
    Preferences s;
    s.docCt = 7; // leftovers of a previous workspace must go
    s.recentFiles = QStringList{"old"};
    readIniFile(path, s, false);

    const bool countsZero = QByteArray(QTest::currentDataTag()) == "non-numbers";
    QCOMPARE(s.docCt, int16_t(countsZero ? 0 : 1));
    QCOMPARE(s.commCt, int16_t(countsZero ? 0 : 1));
    QCOMPARE(s.setup.state, int16_t{2});
    QCOMPARE(s.setup.width, 12045);
    QVERIFY(s.recentFiles.isEmpty());
    QCOMPARE(s.editSlots[0].name, QStringLiteral("Program0.vxt"));
    QCOMPARE(s.commSlots[0].name, QStringLiteral("Terminal0"));
    if (!countsZero) {
        QCOMPARE(s.editSlots[1].name, QStringLiteral("Program1.vxt"));
        QCOMPARE(s.editSlots[1].state, int16_t{0});
        QCOMPARE(s.commSlots[1].name, QStringLiteral("Terminal1"));
        QCOMPARE(s.commSlots[1].settings, QStringLiteral("9600,N,8,1"));
        QCOMPARE(s.commSlots[1].groupNames, QStringList{"Group1"});
        QCOMPARE(s.commSlots[1].keys.size(), std::size_t{10});
    }
    QCOMPARE(s.styles[2].size, 8.0f);
    QCOMPARE(s.styles[2].fore[3], 0x008000);
    QCOMPARE(s.styles[2].back[9], 0x800000);
    QCOMPARE(s.canTable[0].name, int16_t{'!'});
    QCOMPARE(s.canTable[1].flags[1], int16_t{8});
    QCOMPARE(s.spi.height, 3570);
    QCOMPARE(s.browser.height, 5475);
}

void TstPrefsFile::aTruncatedFileKeepsWhatItHolds()
{
    const QByteArray full = imageOf(richWorkspace(), true).toBytes();
    const qsizetype cut = full.indexOf("[Comm_2]") + 20;
    const Preferences s = readFrom(full.left(cut), true);
    const Preferences rich = richWorkspace();
    QCOMPARE(s.setup.width, rich.setup.width);
    QCOMPARE(s.editSlots[3].name, rich.editSlots[3].name);
    QCOMPARE(s.commSlots[1].keys[9].command, rich.commSlots[1].keys[9].command);
    QCOMPARE(s.commSlots[2].font, QStringLiteral("Lucida Console"));
    QCOMPARE(s.recentFiles, QStringList(rich.recentFiles.size(), QString()));
    QCOMPARE(s.ramViewer.width, 6390);
}

void TstPrefsFile::recentFilesFollowTheHistoryCounts()
{
    const QByteArray files("[LastOpened]\nFILE0=a.vxt\nFILE1=b.vxt\nFILE2=c.vxt\nFILE3=d.vxt\n");
    // Without FileHistoryCt the stored entries are not shown.
    QVERIFY(readFrom("[Setup]\nRemFileHistory=1\n" + files).recentFiles.isEmpty());

    Preferences lowered =
        readFrom("[Setup]\nRemFileHistory=1\nMaxFileHistoryCt=2\nFileHistoryCt=4\n" + files);
    QCOMPARE(lowered.recentFiles, (QStringList{"a.vxt", "b.vxt"}));
    const IniFile written = imageOf(lowered);
    QCOMPARE(written.keys("LastOpened"), (QStringList{"FILE0", "FILE1"}));
    QCOMPARE(getIniInt(written, "Setup", "FileHistoryCt", -1), int16_t{2});

    // A list that is not remembered is read but never written.
    Preferences forgotten =
        readFrom("[Setup]\nRemFileHistory=0\nMaxFileHistoryCt=2\nFileHistoryCt=3\n" + files);
    QCOMPARE(forgotten.recentFiles.size(), 3);
    QVERIFY(imageOf(forgotten).keys("LastOpened").isEmpty());
    QVERIFY(imageOf(forgotten).hasSection("LastOpened"));
}

void TstPrefsFile::functionKeyGroupsFollowFGroupCtOrTheLastKey()
{
    const QByteArray legacy("[Setup]\nCommCt=3\n"
                            "[Comm_1]\nF1=Home\x95HM\nF91=Jog\x95J\nF100=Stop\x95ST\n"
                            "[Comm_2]\nF1=Go\tGO\nF100=\n"
                            "[Comm_3]\nFKeyEn=0\nFGroupCt=2\nF1=Home\x95HM\n");
    const Preferences s = readFrom(legacy);
    const CommWindowSettings &ten = s.commSlots[1];
    QCOMPARE(ten.fGroupCt, int16_t{10});
    QCOMPARE(ten.groupNames.size(), 10);
    QCOMPARE(ten.groupNames[9], QStringLiteral("Group10"));
    QCOMPARE(ten.keys.size(), std::size_t{100});
    QCOMPARE(ten.keys[0].label, QStringLiteral("Home"));
    QCOMPARE(ten.keys[90].command, QStringLiteral("J"));
    QCOMPARE(ten.keys[99].command, QStringLiteral("ST"));

    const CommWindowSettings &one = s.commSlots[2];
    QCOMPARE(one.fGroupCt, int16_t{1});
    QCOMPARE(one.keys.size(), std::size_t{10});
    QCOMPARE(one.keys[0].command, QStringLiteral("GO"));

    const CommWindowSettings &disabled = s.commSlots[3];
    QCOMPARE(disabled.fGroupCt, int16_t{2});
    QCOMPARE(disabled.keys.size(), std::size_t{20});
    QVERIFY(disabled.keys[0].label.isEmpty());
    const IniFile written = imageOf(s);
    QVERIFY(!written.contains("Comm_3", "F1"));
    QVERIFY(!written.contains("Comm_3", "FGrpName0"));
    QCOMPARE(getIniString(written, "Comm_1", "F100", {}), joinFuncKey({"Stop", "ST"}));
    QCOMPARE(getIniString(written, "Comm_2", "F1", {}), joinFuncKey({"Go", "GO"}));
}

void TstPrefsFile::anEmptyGroupNameIsWrittenAsOneSpace()
{
    Preferences s = readFrom("[Setup]\nCommCt=1\n[Comm_1]\nFGroupCt=4\n");
    s.commSlots[1].groupNames[3].clear();
    const QByteArray bytes = imageOf(s).toBytes();
    QVERIFY(bytes.contains("\r\nFGrpName3= \r\nF31=\x95\r\n"));
    const Preferences back = readFrom(bytes);
    QCOMPARE(back.commSlots[1].groupNames, (QStringList{"Group1", "Group2", "Group3", ""}));
}

void TstPrefsFile::closedSlotsLeaveNoGapsInTheNumbering()
{
    Preferences s = readFrom("[Setup]\nDocCt=3\nCommCt=3\n"
                             "[Pgm_1]\nName=one.vxt\n[Pgm_2]\nName=two.vxt\n[Pgm_3]\nName=three.vxt\n"
                             "[Comm_1]\nName=Axis X\n[Comm_2]\nName=Axis Y\n[Comm_3]\nName=Axis Z\nPort=3\n");
    s.editSlots[2].state = kSlotFree;
    s.commSlots[1].state = kSlotFree;
    const IniFile written = imageOf(s);
    QCOMPARE(getIniInt(written, "Setup", "DocCt", -1), int16_t{2});
    QCOMPARE(getIniInt(written, "Setup", "CommCt", -1), int16_t{2});
    QCOMPARE(getIniString(written, "Pgm_1", "Name", {}), QStringLiteral("one.vxt"));
    QCOMPARE(getIniString(written, "Pgm_2", "Name", {}), QStringLiteral("three.vxt"));
    QVERIFY(!written.hasSection("Pgm_3"));
    QCOMPARE(getIniString(written, "Comm_1", "Name", {}), QStringLiteral("Axis Y"));
    QCOMPARE(getIniInt(written, "Comm_2", "Port", 0), int16_t{3});
    QVERIFY(!written.hasSection("Comm_3"));
    const QStringList sections = written.sectionNames();
    QCOMPARE(sections.mid(4, 6), (QStringList{"Pgm_0", "Pgm_1", "Pgm_2", "Comm_0", "Comm_1", "Comm_2"}));
    QCOMPARE(sections.first(), QStringLiteral("uKorvo TERMINAL VERSION"));
    QCOMPARE(sections.last(), QStringLiteral("BROWSER Settings"));
}

void TstPrefsFile::sectionAndKeyNamesMatchWithoutRegardToCase()
{
    const Preferences s =
        readFrom("[spi configuration]\nvisible=-1\nlastmsg=PING\n[SETUP]\nshowbaudchange=0\n");
    QVERIFY(s.spi.visible);
    QCOMPARE(s.spi.lastMsg, QStringLiteral("PING"));
    QVERIFY(!s.setup.showBaudChange);
    const QByteArray bytes = imageOf(s).toBytes();
    QVERIFY(bytes.contains("[SPI Configuration]\r\n"));
    QVERIFY(bytes.contains("\r\nVisible=-1\r\nLastMsg=PING\r\n"));
}

void TstPrefsFile::damagedCountsCannotOpenAFloodOfWindows()
{
    const Preferences s = readFrom("[Setup]\nDocCt=30000\nCommCt=500\nMaxFileHistoryCt=30000\nFileHistoryCt="
                                   "30000\n[Pgm_1]\nName=a\n[Pgm_2]\nName=b\n"
                                   "[Comm_1]\nFGroupCt=0\nFGroup=5\n[Comm_2]\nFGroupCt=3\nFGroup=7\n");
    QCOMPARE(s.docCt, int16_t{2});
    QCOMPARE(s.editSlots.size(), std::size_t{3});
    QCOMPARE(s.commCt, int16_t{kMaxTerminals});
    QCOMPARE(s.commSlots[9].name, QStringLiteral("Terminal9"));
    QCOMPARE(s.commSlots[1].fGroupCt, int16_t{1});
    QCOMPARE(s.commSlots[1].fGroup, int16_t{0});
    QCOMPARE(s.commSlots[2].fGroup, int16_t{2});
    QCOMPARE(s.recentFiles.size(), kMaxRecentFiles);
}

void TstPrefsFile::hostileSizesAreClampedToWhatTheDialogAllows_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("kept");
    // A screen of 32767 x 32767 cells once asked for 38 GB at start, before anything could be saved.
    QTest::newRow("huge rows") << QByteArray("[Comm_1]\nRows=32767\nColumns=32767\n") << "Comm_1"
                               << "Rows"
                               << "999";
    QTest::newRow("huge columns") << QByteArray("[Comm_1]\nRows=32767\nColumns=32767\n") << "Comm_1"
                                  << "Columns"
                                  << "999";
    QTest::newRow("negative rows") << QByteArray("[Comm_0]\nRows=-40\n") << "Comm_0"
                                   << "Rows"
                                   << "1";
    QTest::newRow("no scroll-back") << QByteArray("[Comm_1]\nScrollRows=0\n") << "Comm_1"
                                    << "ScrollRows"
                                    << "1";
    QTest::newRow("huge font") << QByteArray("[Comm_1]\nSize=1e30\n") << "Comm_1"
                               << "Size"
                               << "512";
    QTest::newRow("no font size") << QByteArray("[TXT Document]\nSize=0\n") << "TXT Document"
                                  << "Size"
                                  << "8";
    QTest::newRow("font NaN") << QByteArray("[KXT Document]\nSize=nan\n") << "KXT Document"
                              << "Size"
                              << "8";
    QTest::newRow("huge tab") << QByteArray("[TXT Document]\nTab=30000\n") << "TXT Document"
                              << "Tab"
                              << "32";
    QTest::newRow("huge margin") << QByteArray("[KXT Document]\nMargin=2000000000\n") << "KXT Document"
                                 << "Margin"
                                 << "999";
    QTest::newRow("negative delay") << QByteArray("[Comm_1]\nCharDelay=-1\n") << "Comm_1"
                                    << "CharDelay"
                                    << "0";
    QTest::newRow("huge delay") << QByteArray("[Comm_1]\nLineDelay=100000\n") << "Comm_1"
                                << "LineDelay"
                                << "999";
    QTest::newRow("huge history") << QByteArray("[Setup]\nMaxFileHistoryCt=30000\n") << "Setup"
                                  << "MaxFileHistoryCt"
                                  << "99";
}

void TstPrefsFile::hostileSizesAreClampedToWhatTheDialogAllows()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, kept);
    QCOMPARE(getIniString(imageOf(readFrom(bytes)), section, key, QString()), kept);
}

void TstPrefsFile::theRamViewerIsKeptOnlyInFactoryMode()
{
    const Preferences s = readFrom("[RAM Viewer]\nLeft=10\nWidth=7000\n", true);
    QCOMPARE(s.ramViewer.width, 7000);
    QVERIFY(imageOf(s, true).toBytes().endsWith(
        "\r\n\r\n[RAM Viewer]\r\nLeft=10\r\nTop=0\r\nHeight=2745\r\nWidth=7000\r\n"));
    QVERIFY(!imageOf(s, false).hasSection("RAM Viewer"));
    QCOMPARE(readFrom("[RAM Viewer]\nWidth=7000\n", false).ramViewer.width, 6390);
}

void TstPrefsFile::aCanCharacterThatCannotBeWrittenBackKeepsItsDefault()
{
    // Used to read a NUL as character 0, write it as an empty value and read that back as "!".
    QByteArray bytes("[MODULE Settings]\nKORVODn=");
    bytes += QByteArray("\0#\nKORVOPrompt=\xF0\x9F\x98\x80\n", 20);
    const Preferences s = readFrom(bytes);
    QCOMPARE(s.canTable[0].name, int16_t{'!'});
    QCOMPARE(s.canTable[0].prompt, int16_t{'>'});
    QCOMPARE(readFrom("[MODULE Settings]\nKORVODn=#x\n").canTable[0].name, int16_t{'#'});
}

void TstPrefsFile::aRichWorkspaceRoundTripsByteForByte()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("rich.ktm");
    const Preferences rich = richWorkspace();
    QVERIFY(writeIniFile(path, rich, kVersion, true));
    const QByteArray first = fileBytes(path);
    QVERIFY(first.contains("\x95"));
    QVERIFY(!first.contains("\r\r") && first.count('\n') == first.count("\r\n"));

    Preferences back;
    readIniFile(path, back, true);
    QCOMPARE(back.iniVersion, kVersion);
    QCOMPARE(back.docCt, rich.docCt);
    QCOMPARE(back.commCt, rich.commCt);
    QCOMPARE(back.editSlots[3].name, rich.editSlots[3].name);
    QCOMPARE(back.editSlots[2].state, int16_t{2});
    QCOMPARE(back.styles[2].italic, rich.styles[2].italic);
    QCOMPARE(back.styles[2].back, rich.styles[2].back);
    QCOMPARE(back.styles[1].size, rich.styles[1].size);
    for (int n = 0; n <= 2; ++n) {
        QCOMPARE(back.commSlots[n].groupNames, rich.commSlots[n].groupNames);
        QCOMPARE(back.commSlots[n].fGroup, rich.commSlots[n].fGroup);
        for (std::size_t k = 0; k < rich.commSlots[n].keys.size(); ++k) {
            QCOMPARE(back.commSlots[n].keys[k].label, rich.commSlots[n].keys[k].label);
            QCOMPARE(back.commSlots[n].keys[k].command, rich.commSlots[n].keys[k].command);
        }
    }
    QCOMPARE(back.commSlots[2].portName, rich.commSlots[2].portName);
    QCOMPARE(back.commSlots[2].adapter.vendorId, rich.commSlots[2].adapter.vendorId);
    QVERIFY(back.commSlots[2].adapter.sameAdapter(rich.commSlots[2].adapter));
    QCOMPARE(back.commSlots[2].adapter.description, rich.commSlots[2].adapter.description);
    QCOMPARE(back.commSlots[1].tcpAddress, rich.commSlots[1].tcpAddress);
    QCOMPARE(back.recentFiles, rich.recentFiles);
    QCOMPARE(back.canTable[0].prompt, rich.canTable[0].prompt);
    QCOMPARE(back.canTable[1].flags, rich.canTable[1].flags);
    QCOMPARE(back.canTable[1].uar1, rich.canTable[1].uar1);
    QCOMPARE(back.spi.lastSent, rich.spi.lastSent);
    QCOMPARE(back.browser.width, rich.browser.width);
    QCOMPARE(back.ramViewer.top, rich.ramViewer.top);

    QVERIFY(writeIniFile(path, back, kVersion, true));
    QCOMPARE(fileBytes(path), first);

    // A terminal that remembers its USB adapter keeps the keys after PortName, as they were.
    const QByteArray adapterKeys = "PortName=/dev/ttyUSB0\r\nUsbVendorId=0403\r\nUsbProductId=6001\r\n"
                                   "UsbSerial=A6008isP\r\nUsbDescription=FT232R USB UART\r\n";
    const Preferences withAdapter = readFrom("[Setup]\r\nCommCt=1\r\n[Comm_1]\r\n" + adapterKeys);
    QCOMPARE(withAdapter.commSlots[1].adapter.productId, quint16{0x6001});
    QVERIFY(imageOf(withAdapter).toBytes().contains(adapterKeys + "Connected=0\r\n"));
}

void TstPrefsFile::terminalKeysAreWrittenInTheirFixedOrder()
{
    const IniFile written = imageOf(readFrom("[Setup]\nCommCt=1\n[Comm_1]\nFGroupCt=2\n"));
    const QStringList keys = written.keys("Comm_1");
    const QStringList head{"State",      "Name",         "Width",        "Height",     "Top",
                           "Left",       "Font",         "Size",         "Bold",       "Italic",
                           "Forecolor",  "Backcolor",    "AutoName",     "Rows",       "Columns",
                           "ScrollRows", "BlockCursor",  "Port",         "PortName",   "Connected",
                           "Settings",   "TranslateCR",  "CRTranslate",  "ControlHEX", "NotCRLF",
                           "DisplayHEX", "RTSActive",    "DTRActive",    "CharDelay",  "LineDelay",
                           "Device",     "CANInterface", "TCPIPEnabled", "TCPAddress", "FKeyEn",
                           "FGroup",     "FGroupCt",     "FGrpName0",    "F1"};
    QCOMPARE(keys.mid(0, head.size()), head);
    QCOMPARE(keys.size(), head.size() - 2 + 2 * 11);
    QCOMPARE(keys.mid(head.size() + 8, 3), (QStringList{"F10", "FGrpName1", "F11"}));
    QCOMPARE(keys.last(), QStringLiteral("F20"));
    QCOMPARE(written.keys("MODULE Settings").mid(12, 6),
             (QStringList{"UAR0(0)", "UAR1(0)", "LAR0(0)", "LAR1(0)", "FLAGS(0)", "UAR0(1)"}));
    QCOMPARE(written.keys("DONGLE Settings").first(), QStringLiteral("KORVOBaud"));
}

void TstPrefsFile::theBackupHoldsThePreviousFile()
{
    QTemporaryDir dir;
    Preferences s = readFrom(QByteArray());
    const QString path = dir.filePath("motion.ktm");
    s.setup.width = 1111;
    QVERIFY(writeIniFile(path, s, kVersion, false));
    QVERIFY(!QFile::exists(dir.filePath("motion.bak")));
    const QByteArray first = fileBytes(path);
    s.setup.width = 2222;
    QVERIFY(writeIniFile(path, s, kVersion, false));
    QCOMPARE(fileBytes(dir.filePath("motion.bak")), first);
    QCOMPARE(getIniLong(path, "Setup", "Width", 0), 2222);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"motion.bak", "motion.ktm"}));
}

void TstPrefsFile::aWriteIntoAReadOnlyFolderLeavesTheOldFileIntact()
{
#ifndef Q_OS_UNIX
    QSKIP("folder permissions are tested on Unix");
#else
    QTemporaryDir dir;
    Preferences s = readFrom(QByteArray());
    const QString path = dir.filePath("korvoterm.ktm");
    QVERIFY(writeIniFile(path, s, kVersion, false));
    const QByteArray old = fileBytes(path);
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    s.setup.width = 4321;

    bool written = true;
    if (::geteuid() == 0) {
        // Root ignores folder permissions: the write runs in a child that has given up root.
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            ::_exit(writeIniFile(path, s, kVersion, false) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QVERIFY(WEXITSTATUS(status) != 2);
        written = WEXITSTATUS(status) == 0;
    } else {
        written = writeIniFile(path, s, kVersion, false);
    }
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    QVERIFY(!written);
    QCOMPARE(fileBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"korvoterm.ktm"});
#endif
}

void TstPrefsFile::aSaveKilledAtAnyMomentLeavesTheOldOrTheNewFileAndTheBackup()
{
#ifndef Q_OS_UNIX
    QSKIP("killing a process is tested on Unix");
#else
    const Preferences prefs = richWorkspace();
    const Save savePreferences = [&prefs](const QString &path, int n) {
        Preferences s = prefs;
        s.setup.width = static_cast<int16_t>(n);
        return writeIniFile(path, s, kVersion, false);
    };
    // A long program, so that a kill can land in the middle of its bytes.
    QStringList lines;
    for (int n = 0; n < 4000; ++n)
        lines.append(QStringLiteral("PRINT \"line %1 of a long program\"").arg(n));
    const QByteArray body = programFileBytes(lines);
    const Save saveProgram = [&body](const QString &path, int n) {
        return writeProgramFile(path, programFileBytes({QStringLiteral("' saved %1").arg(n)}) + body,
                                KeepBackup::Yes, nullptr);
    };
    const std::pair<QString, Save> writers[] = {{QStringLiteral("korvoterm.ktm"), savePreferences},
                                                {QStringLiteral("motion.vxt"), saveProgram}};
    for (const auto &[name, save] : writers) {
        KillCounts counts;
        killSavesAtRandomMoments(save, name, counts);
        if (QTest::currentTestFailed())
            return;
        qInfo("%s: %d saves, %d killed, %d of them after the save had begun to change the disk; "
              "%d replaced the file",
              qPrintable(name), counts.saves, counts.kills, counts.killedMidSave, counts.replaced);
        // How many kills land inside a save depends on the machine's load, so it is told, not asserted; the
        // backup of a save that gets through is checked in theBackupHoldsThePreviousFile.
    }
#endif
}

QTEST_GUILESS_MAIN(TstPrefsFile)
#include "tst_prefsfile.moc"
