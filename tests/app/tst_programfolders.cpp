// Where the program finds its shipped files and where it writes its own, built and installed.

#include "app/programfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

using namespace korvo;

namespace {
// A program folder on a read-only mount: nothing can be created there, whoever asks.
class ReadOnlyMount final : public FileCalls
{
public:
    int createUnique(char *) override
    {
        errno = EROFS;
        return -1;
    }
};
} // namespace

class TstProgramFolders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void anInstalledProgramFindsItsFilesInShare();
    void ownFilesGoBesideTheProgramOnlyWhereAFileCanBeCreated();
};

void TstProgramFolders::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("KorvoTerm"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvoTerm"));
    QStandardPaths::setTestModeEnabled(true);
}

void TstProgramFolders::anInstalledProgramFindsItsFilesInShare()
{
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    QCOMPARE(dataFolder(bin), bin); // a build: everything beside the program
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("share/korvoterm/help"))));
    QCOMPARE(dataFolder(bin), root.filePath(QStringLiteral("share/korvoterm")));
    // Its own files go to the user's data folder even where it could write beside itself.
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCOMPARE(writableFolder(bin), userData);
    QCOMPARE(defaultCaptureFile(bin), QDir(userData).filePath(QStringLiteral("Capture.txt")));
    QVERIFY(QDir(bin).isEmpty());
    QDir(userData).removeRecursively();
}

void TstProgramFolders::ownFilesGoBesideTheProgramOnlyWhereAFileCanBeCreated()
{
    QTemporaryDir program;
    QCOMPARE(writableFolder(program.path()), program.path());
    QCOMPARE(defaultCaptureFile(program.path()), program.filePath(QStringLiteral("Capture.txt")));
    QVERIFY(QDir(program.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir(userData).removeRecursively();
    ReadOnlyMount readOnly;
    QCOMPARE(writableFolder(program.path(), readOnly), userData);
    QVERIFY(QFileInfo(userData).isDir()); // created when first needed
    QVERIFY(userData.contains(QStringLiteral("KorvoTerm")));
    QCOMPARE(writableFolder(QString()), userData);
    QDir(userData).removeRecursively();
}

QTEST_GUILESS_MAIN(TstProgramFolders)
#include "tst_programfolders.moc"
