// The workspace without windows: what a preferences file reopens, where new windows go, and the recovery
// copies kept when a session ends under the program.

#include "app/recoverystore.h"
#include "shell/workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

class TstWorkspace : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void aPreferencesFileNamesTheWindowsToReopenAndTheActiveTerminal();
    void aFileWithoutTerminalsLeavesNoActiveTerminal();
    void newTerminalsTakeTheLowestFreeSlotUpToNine();
    void newEditSlotsHaveNoUpperLimitAndStartUnmodified();
    void recoveryCopiesComeBackAsTheyWereKeptOldestFirst();
    void aRecoveryCopyThatCannotBeWrittenSaysWhy();
    void aNamedFileIsTheWorkspaceUnlessItExistsWithoutPreferences_data();
    void aNamedFileIsTheWorkspaceUnlessItExistsWithoutPreferences();
    void staleTemporariesOfKilledSavesGoAtTheNextStart_data();
    void staleTemporariesOfKilledSavesGoAtTheNextStart();

private:
    void writePrefs(const QByteArray &text);

    std::unique_ptr<QTemporaryDir> m_dir;
    ProgramOptions m_options;
};

void TstWorkspace::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_options = ProgramOptions{};
    m_options.startDir = m_dir->path();
    m_options.programDir = m_dir->path();
    m_options.prefFile = m_dir->filePath(QStringLiteral("korvoterm.ktm"));
}

void TstWorkspace::writePrefs(const QByteArray &text)
{
    QFile file(m_options.prefFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void TstWorkspace::aPreferencesFileNamesTheWindowsToReopenAndTheActiveTerminal()
{
    writePrefs(
        "[Setup]\r\nDocCt=3\r\nCommCt=3\r\n"
        "[Pgm_1]\r\nName=a.vxt\r\nState=0\r\n[Pgm_2]\r\nState=-1\r\n[Pgm_3]\r\nName=c.txt\r\nState=1\r\n"
        "[Comm_1]\r\nState=1\r\nAutoName=-1\r\nName=old\r\n[Comm_2]\r\nState=-1\r\n"
        "[Comm_3]\r\nState=2\r\nAutoName=0\r\nName=Bench drive\r\n");
    Workspace workspace(m_options);
    Preferences &prefs = workspace.prefs();
    // What the previous workspace left behind does not survive the load.
    prefs.recentFiles = {QStringLiteral("stale.vxt")};
    prefs.ensureEditSlot(7);
    prefs.docCt = 7;
    QVERIFY(workspace.load());
    QVERIFY(prefs.recentFiles.isEmpty());
    QCOMPARE(workspace.editSlotsToOpen(), (QList<int>{1, 3}));
    QCOMPARE(workspace.commSlotsToOpen(), (QList<int>{1, 3}));
    QCOMPARE(prefs.commSlots[1].name, QStringLiteral("Terminal 1"));
    QCOMPARE(prefs.commSlots[3].name, QStringLiteral("Bench drive"));

    // The first terminal that is not minimised becomes the active one, else the last slot.
    QCOMPARE(workspace.settledActiveTerminal(3), 3);
    QCOMPARE(workspace.settledActiveTerminal(0), 3);
}

void TstWorkspace::aFileWithoutTerminalsLeavesNoActiveTerminal()
{
    writePrefs("[Setup]\r\nDocCt=0\r\nCommCt=0\r\n");
    Workspace workspace(m_options);
    QVERIFY(workspace.load());
    QVERIFY(workspace.editSlotsToOpen().isEmpty());
    QVERIFY(workspace.commSlotsToOpen().isEmpty());
    QCOMPARE(workspace.settledActiveTerminal(0), 0);
}

void TstWorkspace::newTerminalsTakeTheLowestFreeSlotUpToNine()
{
    writePrefs("[Setup]\r\nDocCt=0\r\nCommCt=0\r\n[Comm_0]\r\nTop=100\r\nLeft=200\r\nState=-1\r\n"
               "Connected=-1\r\nPortName=/dev/ttyS0\r\n");
    Workspace workspace(m_options);
    Preferences &prefs = workspace.prefs();
    workspace.load();
    for (int n = 1; n <= kMaxTerminals; ++n) {
        QCOMPARE(workspace.newCommSlot(), n);
        const CommWindowSettings &slot = prefs.commSlots[n];
        QCOMPARE(slot.state, int16_t(0));
        QCOMPARE(slot.port, int16_t(n));
        QVERIFY(slot.portName.isEmpty());
        QVERIFY(slot.connected);
        QCOMPARE(slot.name, QStringLiteral("Terminal %1").arg(n));
        QCOMPARE(slot.top, 100 + Workspace::kNewWindowOffsetTwips * (n - 1));
        QCOMPARE(slot.left, 200 + Workspace::kNewWindowOffsetTwips * (n - 1));
    }
    QCOMPARE(prefs.commCt, int16_t(9));
    QCOMPARE(workspace.newCommSlot(), 0);

    // A slot given back is the next one taken, and it starts from the template again.
    prefs.commSlots[4].name = QStringLiteral("Used");
    workspace.releaseSlot(WindowKind::Terminal, 4);
    QCOMPARE(prefs.countWindows(WindowKind::Terminal), 8);
    QCOMPARE(workspace.newCommSlot(), 4);
    QCOMPARE(prefs.commSlots[4].name, QStringLiteral("Terminal 4"));
    QCOMPARE(prefs.commCt, int16_t(9));
}

void TstWorkspace::newEditSlotsHaveNoUpperLimitAndStartUnmodified()
{
    Workspace workspace(m_options);
    Preferences &prefs = workspace.prefs();
    prefs.editSlots[0].modified = true;
    prefs.editSlots[0].top = 10;
    for (int n = 1; n <= 12; ++n) {
        QCOMPARE(workspace.newEditSlot(QStringLiteral("Program")), n);
        QVERIFY(!prefs.editSlots[n].modified);
        QCOMPARE(prefs.editSlots[n].top, 10 + Workspace::kNewWindowOffsetTwips * (n - 1));
    }
    QCOMPARE(prefs.docCt, int16_t(12));
    workspace.releaseSlot(WindowKind::Edit, 2);
    QCOMPARE(workspace.newEditSlot(QStringLiteral("b.vxt")), 2);
    QCOMPARE(prefs.editSlots[2].name, QStringLiteral("b.vxt"));
}

void TstWorkspace::recoveryCopiesComeBackAsTheyWereKeptOldestFirst()
{
    RecoveryStore store(m_dir->filePath(QStringLiteral("data/recovery")));
    const QString text = QStringLiteral("line one\r\n\u00b5 and \u20ac\r\nno end");
    QVERIFY(store.keep(2, QStringLiteral("/work/motion.vxt"), QStringLiteral("first draft")));
    QVERIFY(store.keep(10, QStringLiteral("Program"), QString()));
    // A document's copy is rewritten in place; one it no longer needs goes.
    QVERIFY(store.keep(2, QStringLiteral("/work/motion.vxt"), text));
    QVERIFY(store.keep(3, QStringLiteral("Saved"), QStringLiteral("saved since")));
    store.forget(3);
    const QList<RecoveredDocument> kept = RecoveryStore(store.folder()).documents();
    QCOMPARE(kept.size(), 2);
    QCOMPARE(kept[0].name, QStringLiteral("/work/motion.vxt"));
    QCOMPARE(kept[0].text, text);
    QCOMPARE(kept[1].name, QStringLiteral("Program"));
    QCOMPARE(kept[1].text, QString());
    // Nothing half-written is left beside the copies.
    QCOMPARE(QDir(store.folder()).entryList(QDir::Files).size(), 2);
    store.discard(kept[0]);
    QCOMPARE(store.documents().size(), 1);
}

void TstWorkspace::aRecoveryCopyThatCannotBeWrittenSaysWhy()
{
    // A file where the folder should be: nothing can be written there, whoever runs the test.
    const QString blocked = m_dir->filePath(QStringLiteral("recovery"));
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    RecoveryStore store(blocked);
    QString error;
    QVERIFY(!store.keep(1, QStringLiteral("Program"), QStringLiteral("text"), &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(blocked)), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("directory"), Qt::CaseInsensitive), qPrintable(error));
    QVERIFY(store.documents().isEmpty());
}

void TstWorkspace::aNamedFileIsTheWorkspaceUnlessItExistsWithoutPreferences_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // null: no such file
    QTest::addColumn<bool>("document");
    QTest::newRow("a new name") << "new.vxt" << QByteArray() << false;
    QTest::newRow("-x") << "-x" << QByteArray() << false;
    QTest::newRow("an empty file") << "empty.vxt" << QByteArray("") << false;
    QTest::newRow("preferences of any name") << "bench.txt" << QByteArray("[Setup]\r\nDocCt=0\r\n") << false;
    QTest::newRow("a program") << "axis.vxt" << QByteArray("PG 100\r\nEND\r\n") << true;
    QTest::newRow("text named as preferences") << "motion.ktm" << QByteArray("PG 100\r\n") << true;
}

void TstWorkspace::aNamedFileIsTheWorkspaceUnlessItExistsWithoutPreferences()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, document);
    const QString path = m_dir->filePath(name);
    if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    m_options.prefFile = path;
    Workspace workspace(m_options);
    QCOMPARE(workspace.prefFile(), document ? m_dir->filePath(QStringLiteral("korvoterm.ktm")) : path);
    QCOMPARE(workspace.takeStartDocument(), document ? path : QString());
}

void TstWorkspace::staleTemporariesOfKilledSavesGoAtTheNextStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("ageSecs");
    QTest::addColumn<bool>("removed");
    QTest::newRow("preferences") << ".korvoterm.ktm.aB3xZ9" << 3600 << true;
    QTest::newRow("their backup") << ".korvoterm.bak.000000" << 3600 << true;
    QTest::newRow("a document") << ".axis.vxt.Qw7Er8" << 86400 << true;
    QTest::newRow("a save running now") << ".korvoterm.ktm.aB3xZ8" << 0 << false;
    QTest::newRow("not a temporary's name") << ".korvoterm.ktm.aB3-Z9" << 3600 << false;
    QTest::newRow("one letter too many") << ".korvoterm.ktm.aB3xZ9q" << 3600 << false;
    QTest::newRow("another file's") << ".notes.txt.aB3xZ9" << 3600 << false;
}

void TstWorkspace::staleTemporariesOfKilledSavesGoAtTheNextStart()
{
    QFETCH(QString, name);
    QFETCH(int, ageSecs);
    const QString document = m_dir->filePath(QStringLiteral("axis.vxt"));
    writePrefs(QStringLiteral("[Setup]\r\nDocCt=1\r\n[Pgm_1]\r\nName=%1\r\n").arg(document).toUtf8());
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-ageSecs),
                             QFileDevice::FileModificationTime));
    file.close();
    Workspace workspace(m_options);
    workspace.load();
    QTEST(!file.exists(), "removed");
}

QTEST_MAIN(TstWorkspace)
#include "tst_workspace.moc"
