// Whole-file writes: every step that can fail fails once, through the file-call seam and through a real
// read-only folder, and each time the old file must be intact and the error must give the system's reason.
// Whole-file reads: what is no regular file or too large for its kind is refused before it is read.

#include "app/atomicfile.h"
#include "app/wholefile.h"
#include "filebytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvo;

namespace {

enum class Step {
    None,
    Create,
    Write,
    Mode,
    Sync,
    Close,
    RemoveBackup,
    Link,
    Rename,
    OpenFolder,
    SyncFolder
};

// The system's calls, except that one chosen step fails with a chosen error; it also writes at most a few
// bytes per call, as a pipe or a signal can make write() do, and notes what exists at the rename.
class FailingCalls final : public FileCalls
{
public:
    Step failing = Step::None;
    int error = 0;
    QStringList seenAtRename;
    QString folder;

    int createUnique(char *name) override { return fails(Step::Create) ? -1 : FileCalls::createUnique(name); }
    ssize_t writeSome(int fd, const void *data, size_t size) override
    {
        return fails(Step::Write) ? -1 : FileCalls::writeSome(fd, data, std::min<size_t>(size, 5));
    }
    int setMode(int fd, mode_t mode) override
    {
        return fails(Step::Mode) ? -1 : FileCalls::setMode(fd, mode);
    }
    int syncFile(int fd) override
    {
        struct stat info = {};
        ::fstat(fd, &info);
        return fails(S_ISDIR(info.st_mode) ? Step::SyncFolder : Step::Sync) ? -1 : FileCalls::syncFile(fd);
    }
    int closeFile(int fd) override
    {
        const int result = FileCalls::closeFile(fd); // the descriptor is gone either way, as with close()
        return fails(Step::Close) ? -1 : result;
    }
    int removeFile(const char *path) override
    {
        const bool backup = QByteArray(path).endsWith(".bak");
        return backup && fails(Step::RemoveBackup) ? -1 : FileCalls::removeFile(path);
    }
    int hardLink(const char *from, const char *to) override
    {
        return fails(Step::Link) ? -1 : FileCalls::hardLink(from, to);
    }
    int renameFile(const char *from, const char *to) override
    {
        seenAtRename = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        return fails(Step::Rename) ? -1 : FileCalls::renameFile(from, to);
    }
    int openFile(const char *path, int flags) override
    {
        return fails(Step::OpenFolder) ? -1 : FileCalls::openFile(path, flags);
    }

private:
    bool fails(Step step)
    {
        if (step != failing)
            return false;
        errno = error;
        return true;
    }
};

// Missing and empty differ here.
QByteArray contents(const QString &path)
{
    return fileBytes(path, "<missing>");
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

mode_t modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
}

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

class TstAtomicFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void theNewContentReplacesTheOldWhichStaysAsTheBackupUntilTheEnd();
    void aFailedStepLeavesTheOldFileAndNamesTheSystemsReason_data();
    void aFailedStepLeavesTheOldFileAndNamesTheSystemsReason();
    void aBackupThatCannotBeMadeDoesNotStopTheSave_data();
    void aBackupThatCannotBeMadeDoesNotStopTheSave();
    void permissionsAndSymbolicLinksSurviveTheReplacement();
    void aReadOnlyFolderRefusesTheWriteWithItsReason();
    void hostileFilesAreRefusedBeforeTheyAreRead_data();
    void hostileFilesAreRefusedBeforeTheyAreRead();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QString m_backup;
};

void TstAtomicFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("motion.kxt"));
    m_backup = m_dir->filePath(QStringLiteral("motion.bak"));
}

void TstAtomicFile::theNewContentReplacesTheOldWhichStaysAsTheBackupUntilTheEnd()
{
    FailingCalls calls;
    calls.folder = m_dir->path();
    AtomicFile file(m_path, calls);
    file.setBackupPath(m_backup);
    // A file that does not exist yet has nothing to back up.
    QVERIFY2(file.write("first\r\n"), qPrintable(file.errorString()));
    QCOMPARE(contents(m_path), QByteArray("first\r\n"));
    QVERIFY(!QFile::exists(m_backup));

    put(m_backup, "older\r\n");
    const QByteArray big(100000, 'x'); // many short writes
    QVERIFY2(file.write(big), qPrintable(file.errorString()));
    QCOMPARE(contents(m_path), big);
    QCOMPARE(contents(m_backup), QByteArray("first\r\n"));
    // Just before the new file takes the name, the old one is there under both names, beside the new one.
    QCOMPARE(calls.seenAtRename.size(), 3);
    QVERIFY(calls.seenAtRename.contains(QStringLiteral("motion.kxt")));
    QVERIFY(calls.seenAtRename.contains(QStringLiteral("motion.bak")));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary file left

    AtomicFile plain(m_path);
    QVERIFY(plain.write(QByteArray()));
    QCOMPARE(contents(m_path), QByteArray());
    QCOMPARE(contents(m_backup), QByteArray("first\r\n"));
}

void TstAtomicFile::aFailedStepLeavesTheOldFileAndNamesTheSystemsReason_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("replaced"); // the new content was in place when the step failed
    QTest::newRow("folder refuses a new file") << Step::Create << EACCES << false;
    QTest::newRow("disk full") << Step::Write << ENOSPC << false;
    QTest::newRow("quota at close") << Step::Close << EDQUOT << false;
    QTest::newRow("permissions refused") << Step::Mode << EPERM << false;
    QTest::newRow("flush fails") << Step::Sync << EIO << false;
    QTest::newRow("rename refused") << Step::Rename << EBUSY << false;
    QTest::newRow("folder cannot be opened") << Step::OpenFolder << EACCES << true;
    QTest::newRow("folder flush fails") << Step::SyncFolder << EIO << true;
}

void TstAtomicFile::aFailedStepLeavesTheOldFileAndNamesTheSystemsReason()
{
    QFETCH(Step, step);
    QFETCH(int, error);
    QFETCH(bool, replaced);
    put(m_path, "old\r\n");
    put(m_backup, "older\r\n");
    FailingCalls calls;
    calls.failing = step;
    calls.error = error;
    AtomicFile file(m_path, calls);
    file.setBackupPath(m_backup);

    QVERIFY(!file.write("new\r\n"));
    QVERIFY2(file.errorString().contains(reason(error)), qPrintable(file.errorString()));
    QVERIFY(file.errorString().startsWith(QDir::toNativeSeparators(m_path)));
    QCOMPARE(contents(m_path), replaced ? QByteArray("new\r\n") : QByteArray("old\r\n"));
    // The backup is made just before the rename: a step that fails earlier leaves the older backup.
    const bool backedUp = step == Step::Rename || replaced;
    QCOMPARE(contents(m_backup), backedUp ? QByteArray("old\r\n") : QByteArray("older\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TstAtomicFile::aBackupThatCannotBeMadeDoesNotStopTheSave_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QByteArray>("backup");
    // Without hard links (FAT, some network shares) the backup is a copy.
    QTest::newRow("no hard links") << Step::Link << QByteArray("old\r\n");
    QTest::newRow("old backup cannot go") << Step::RemoveBackup << QByteArray("older\r\n");
}

void TstAtomicFile::aBackupThatCannotBeMadeDoesNotStopTheSave()
{
    QFETCH(Step, step);
    QFETCH(QByteArray, backup);
    put(m_path, "old\r\n");
    put(m_backup, "older\r\n");
    FailingCalls calls;
    calls.failing = step;
    calls.error = EPERM;
    AtomicFile file(m_path, calls);
    file.setBackupPath(m_backup);
    QVERIFY2(file.write("new\r\n"), qPrintable(file.errorString()));
    QVERIFY(file.errorString().isEmpty());
    QCOMPARE(contents(m_path), QByteArray("new\r\n"));
    QCOMPARE(contents(m_backup), backup);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TstAtomicFile::permissionsAndSymbolicLinksSurviveTheReplacement()
{
    put(m_path, "old\r\n");
    QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QString link = m_dir->filePath(QStringLiteral("current.kxt"));
    QVERIFY(QFile::link(m_path, link));

    AtomicFile file(link);
    QVERIFY2(file.write("new\r\n"), qPrintable(file.errorString()));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(contents(m_path), QByteArray("new\r\n"));
    QCOMPARE(modeOf(m_path), mode_t{0640});

    // A new file gets the permissions the user's file-creation mask allows, not mkstemp's owner-only ones.
    const mode_t mask = ::umask(022);
    const QString fresh = m_dir->filePath(QStringLiteral("fresh.txt"));
    QVERIFY(AtomicFile(fresh).write("x"));
    ::umask(mask);
    QCOMPARE(modeOf(fresh), mode_t{0644});
}

void TstAtomicFile::aReadOnlyFolderRefusesTheWriteWithItsReason()
{
    put(m_path, "old\r\n");
    const QByteArray folder = QFile::encodeName(m_dir->path());
    QCOMPARE(::chmod(folder.constData(), 0555), 0);
    QString error;
    if (::geteuid() == 0) {
        // Root ignores folder permissions: the write runs in a child that has given up root and sends
        // its error text back through a pipe.
        int pipeEnds[2];
        QCOMPARE(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            AtomicFile file(m_path);
            const bool written = file.write("new\r\n");
            const QByteArray text = file.errorString().toUtf8();
            const bool sent = ::write(pipeEnds[1], text.constData(), text.size()) == text.size();
            ::_exit(written ? 0 : sent ? 1 : 3);
        }
        ::close(pipeEnds[1]);
        char buffer[512];
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        ::close(pipeEnds[0]);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 1);
        error = QString::fromUtf8(buffer, std::max<ssize_t>(got, 0));
    } else {
        AtomicFile file(m_path);
        QVERIFY(!file.write("new\r\n"));
        error = file.errorString();
    }
    ::chmod(folder.constData(), 0700);
    QVERIFY2(error.contains(reason(EACCES)), qPrintable(error));
    QCOMPARE(contents(m_path), QByteArray("old\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"motion.kxt"});
}

void TstAtomicFile::hostileFilesAreRefusedBeforeTheyAreRead_data()
{
    QTest::addColumn<QString>("name"); // in the test's folder, or an absolute path
    QTest::addColumn<QString>("make");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("refusal"); // empty: read
    const qint64 largest = largestFile(FileKind::Keywords);
    // /dev/zero never ends: it once grew a program to gigabytes and aborted korvo-cli.
    QTest::newRow("endless device") << "/dev/zero"
                                    << "" << qint64(0) << "not a regular file";
    // A FIFO without a writer used to block the open for ever.
    QTest::newRow("FIFO") << "pipe"
                          << "fifo" << qint64(0) << "not a regular file";
    QTest::newRow("folder") << "folder"
                            << "folder" << qint64(0) << "not a regular file";
    QTest::newRow("missing") << "missing"
                             << "" << qint64(0) << QString::fromLocal8Bit(std::strerror(ENOENT));
    QTest::newRow("one byte too large") << "big"
                                        << "file" << largest + 1 << "larger than any keyword list";
    QTest::newRow("as large as may be") << "big"
                                        << "file" << largest << "";
    QTest::newRow("empty") << "empty"
                           << "file" << qint64(0) << "";
}

void TstAtomicFile::hostileFilesAreRefusedBeforeTheyAreRead()
{
    QFETCH(QString, name);
    QFETCH(QString, make);
    QFETCH(qint64, size);
    QFETCH(QString, refusal);
    const QString path = name.startsWith(u'/') ? name : m_dir->filePath(name);
    if (make == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (make == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (make == "file") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(size)); // sparse: the size costs no disk
    }
    QByteArray bytes("left as it was");
    QString error;
    QCOMPARE(readWholeFile(path, FileKind::Keywords, &bytes, &error), refusal.isEmpty());
    if (refusal.isEmpty()) {
        QCOMPARE(bytes.size(), size);
    } else {
        QVERIFY2(error.contains(refusal), qPrintable(error));
        QCOMPARE(bytes, QByteArray("left as it was"));
    }
}

QTEST_GUILESS_MAIN(TstAtomicFile)
#include "tst_atomicfile.moc"
