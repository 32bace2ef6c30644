// Document files: the recent-file list, the file dialogs, caption texts, the new-file dialog and printing.

#include "app/devicecatalogue.h"
#include "filebytes.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "settings/recentfiles.h"
#include "shell/openeditdialog.h"
#include "ui/captiontext.h"
#include "ui/filedialogs.h"
#include "ui/printing.h"

#include <Qsci/qsciprinter.h>
#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using namespace korvo;

namespace {
QStringList paths(const QList<RecentEntry> &entries)
{
    QStringList list;
    for (const RecentEntry &entry : entries)
        list.append(entry.path);
    return list;
}
} // namespace

class TstDocumentFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void theRecentListKeepsFourDistinctFilesNewestFirst();
    void recentFilesThatNoLongerExistAreDisabledWhenLoaded();
    void fileDialogsFollowTheKindAndTheDeviceFamily_data();
    void fileDialogsFollowTheKindAndTheDeviceFamily();
    void filterTextBecomesQtFilters();
    void theFileDialogShowsEveryColumnWhole();
    void captionsShowTheFileNameThePathOrTheWindowName();
    void theNewFileDialogMakesNamesAbsoluteAndCancelGivesNothing();
    void printingToAPdfFileWritesAPdf();
    void terminalPrintingAsksAboutScrollBackOnlyWithoutASelection();

private:
    Preferences m_prefs;
    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
};

void TstDocumentFiles::init()
{
    m_prefs = Preferences{};
    m_prompt.clear();
}

void TstDocumentFiles::theRecentListKeepsFourDistinctFilesNewestFirst()
{
    int changes = 0;
    for (const char *name : {"a.vxt", "b.vxt", "c.vxt", "d.vxt"})
        changes += addToLastOpen(m_prefs, QString::fromLatin1(name));
    QCOMPARE(m_prefs.recentFiles, (QStringList{"d.vxt", "c.vxt", "b.vxt", "a.vxt"}));
    QCOMPARE(changes, 4);

    changes += addToLastOpen(m_prefs, QStringLiteral("b.vxt")); // already listed: keeps its place
    QCOMPARE(m_prefs.recentFiles, (QStringList{"d.vxt", "c.vxt", "b.vxt", "a.vxt"}));
    QCOMPARE(changes, 4);

    QVERIFY(addToLastOpen(m_prefs, QStringLiteral("e.vxt"))); // a fifth drops the oldest
    QCOMPARE(m_prefs.recentFiles, (QStringList{"e.vxt", "d.vxt", "c.vxt", "b.vxt"}));
    QCOMPARE(m_prefs.setup.fileHistoryCt, int16_t(4));

    QVERIFY(reopenLastOpened(m_prefs, 2)); // choosing an entry moves it to the top
    QCOMPARE(paths(displayLastOpened(m_prefs)), (QStringList{"c.vxt", "e.vxt", "d.vxt", "b.vxt"}));
    QVERIFY(removeFromLastOpen(m_prefs, 3));
    QCOMPARE(m_prefs.recentFiles, (QStringList{"c.vxt", "e.vxt", "d.vxt"}));
    QCOMPARE(m_prefs.setup.fileHistoryCt, int16_t(3));

    activateIniData(m_prefs); // re-adding the stored entries, last first, keeps their order
    QCOMPARE(m_prefs.recentFiles, (QStringList{"c.vxt", "e.vxt", "d.vxt"}));

    m_prefs.setup.remFileHistory = 0;
    QVERIFY(!addToLastOpen(m_prefs, QStringLiteral("f.vxt")));
    QCOMPARE(m_prefs.recentFiles.size(), 3);
}

void TstDocumentFiles::recentFilesThatNoLongerExistAreDisabledWhenLoaded()
{
    const QString present = m_dir.filePath(QStringLiteral("present.vxt"));
    QFile file(present);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    m_prefs.recentFiles = {present, m_dir.filePath(QStringLiteral("gone.vxt"))};
    const QList<RecentEntry> loaded = recentEntriesAsLoaded(m_prefs);
    QVERIFY(loaded[0].enabled);
    QVERIFY(!loaded[1].enabled);
    const QList<RecentEntry> shown = displayLastOpened(m_prefs);
    QVERIFY(shown[0].enabled && shown[1].enabled);
}

void TstDocumentFiles::fileDialogsFollowTheKindAndTheDeviceFamily_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("selectedFilter");
    QTest::addColumn<QString>("suffix");
    const QString program = QStringLiteral("Select Program File");
    const auto programKind = int(FileDialogKind::ProgramFile);
    // Only Fendra, NB, 926Q and HMI have a default extension of their own; uKorvo keeps ".vxt".
    QTest::newRow("program, uKorvo") << programKind << 1 << program << "uKorvo Files (*.kxt)"
                                     << "vxt";
    QTest::newRow("program, Veltor") << programKind << 4 << program << "Veltor Files (*.vxt)"
                                     << "vxt";
    QTest::newRow("program, Fendra") << programKind << 5 << program << "Fendra Files (*.fxt)"
                                     << "fxt";
    QTest::newRow("program, NB") << programKind << 6 << program << "Norbel Files (*.nbt)"
                                 << "nbt";
    QTest::newRow("program, HMI") << programKind << 3 << program << "Text Files (*.txt)"
                                  << "txt";
    QTest::newRow("transfer, 926Q") << int(FileDialogKind::TransferFile) << 2 << program
                                    << "Text Files (*.txt)"
                                    << "txt";
    QTest::newRow("send, HMI") << int(FileDialogKind::SendFile) << 3 << program << "uKorvo Files (*.kxt)"
                               << "vxt";
    QTest::newRow("send, Fendra") << int(FileDialogKind::SendFile) << 5 << program << "Fendra Files (*.fxt)"
                                  << "vxt";
    QTest::newRow("browse, Fendra") << int(FileDialogKind::NewFileBrowse) << 5 << program
                                    << "Fendra Files (*.fxt)"
                                    << "vxt";
    QTest::newRow("browse, 926Q") << int(FileDialogKind::NewFileBrowse) << 2 << program
                                  << "Text Files (*.txt)"
                                  << "vxt";
    QTest::newRow("upgrade, uKorvo") << int(FileDialogKind::UpgradeFile) << 1 << "Select uKorvo Upgrade File"
                                     << "UPGRADE Files (*.zel)"
                                     << "zel";
    QTest::newRow("upgrade, factory")
        << int(FileDialogKind::FactoryUpgradeFile) << 4 << "Select Veltor Upgrade File"
        << "UPGRADE Files (*.zel *.hex)"
        << "zel";
    // What a device sends is text on any terminal, a Veltor one included.
    QTest::newRow("capture") << int(FileDialogKind::CaptureFile) << 4 << "Select Capture File"
                             << "Text Files (*.txt)"
                             << "txt";
    QTest::newRow("preferences") << int(FileDialogKind::PreferencesFile) << 4
                                 << "Select KorvoTerm Preferences File"
                                 << "Preference Files (*.ktm *.ini)"
                                 << "ktm";
}

void TstDocumentFiles::fileDialogsFollowTheKindAndTheDeviceFamily()
{
    QFETCH(int, kind);
    QFETCH(int, family);
    QFETCH(QString, title);
    QFETCH(QString, selectedFilter);
    QFETCH(QString, suffix);
    std::optional<FileDialogRequest> seen;
    const FileDialogs dialogs([&](const FileDialogRequest &request) -> std::optional<QString> {
        seen = request;
        return std::nullopt; // cancelled
    });
    QVERIFY(!dialogs.getFile(FileDialogKind(kind), DeviceType(family), QStringLiteral("last.vxt")));
    QVERIFY(seen);
    QCOMPARE(seen->title, title);
    QCOMPARE(seen->selectedFilter, selectedFilter);
    QVERIFY(seen->filters.contains(selectedFilter));
    QCOMPARE(seen->defaultSuffix, suffix);
    QCOMPARE(seen->initialPath, QStringLiteral("last.vxt"));
}

void TstDocumentFiles::filterTextBecomesQtFilters()
{
    QCOMPARE(qtFilters(QStringLiteral("Veltor Files(*.vxt)|*.vxt|All Program Files (*.vxt;*.kxt)|*.vxt;*.kxt|"
                                      "All Files (*.*)|*.*")),
             (QStringList{"Veltor Files (*.vxt)", "All Program Files (*.vxt *.kxt)", "All Files (*)"}));
    // The active terminal's device chooses the family; Veltor when no terminal is open.
    QCOMPARE(int(activeDeviceFamily(m_prefs, 0)), int(Veltor));
    QCOMPARE(int(activeDeviceFamily(m_prefs, 1)), int(Veltor));
    m_prefs.ensureCommSlot(1);
    m_prefs.commSlots[1].state = 0;
    m_prefs.commSlots[1].device = Fendra;
    QCOMPARE(int(activeDeviceFamily(m_prefs, 1)), int(Fendra));
}

void TstDocumentFiles::theFileDialogShowsEveryColumnWhole()
{
    // Type ("pla...ent") and date were cut to Qt's short English samples.
    QTemporaryDir dir;
    for (const char *name :
         {"motion.vxt", "a_rather_long_program_name_for_the_indexer_axis.vxt", "notes.txt"})
        QFile(dir.filePath(QLatin1String(name))).open(QIODevice::WriteOnly);
    FileDialogRequest request =
        fileDialogRequest(FileDialogKind::ProgramFile, Veltor, dir.filePath("notes.txt"));
    request.selectedFilter = request.filters.last(); // all files
    const std::unique_ptr<QFileDialog> dialog = fileDialogFor(request);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto *tree = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
    QVERIFY(tree && tree->isVisible());
    const QAbstractItemView *details = tree;
    const QHeaderView *header = tree->header();
    QTRY_COMPARE(details->model()->rowCount(details->rootIndex()), 3);
    QCoreApplication::processEvents();
    for (int column = 0; column < header->count(); ++column) {
        if (header->isSectionHidden(column))
            continue;
        QVERIFY2(header->sectionSize(column) >= details->sizeHintForColumn(column),
                 qPrintable(details->model()->headerData(column, Qt::Horizontal).toString()));
    }
    const auto *places = dialog->findChild<QListView *>(QStringLiteral("sidebar"));
    QVERIFY(places->viewport()->width() >= places->sizeHintForColumn(0));
}

void TstDocumentFiles::captionsShowTheFileNameThePathOrTheWindowName()
{
    const QString path = QStringLiteral("C:\\work.dir\\motion.kxt");
    QCOMPARE(displayName(path, QStringLiteral("Program"), m_prefs.setup), QStringLiteral("motion.kxt"));
    QCOMPARE(displayName(QString(), QStringLiteral("Program"), m_prefs.setup), QStringLiteral("Program"));
    m_prefs.setup.fullName = 1;
    QCOMPARE(displayName(path, QStringLiteral("Program"), m_prefs.setup), path);
    m_prefs.setup.useFileName = 0;
    QCOMPARE(displayName(path, QStringLiteral("Program"), m_prefs.setup), QStringLiteral("Program"));

    const QFontMetrics metrics{QFont()};
    const QString longPath =
        QStringLiteral("/home/engineer/projects/conveyor/line-three/programs/motion.vxt");
    const int width = metrics.horizontalAdvance(longPath) / 2;
    const QString compact = compactPath(longPath, metrics, width);
    QVERIFY(compact.contains(QChar(0x2026)));
    QVERIFY(metrics.horizontalAdvance(compact) <= width);
    QVERIFY(compact.startsWith(QStringLiteral("/home")));
    QCOMPARE(compactPath(longPath, metrics, 10000), longPath);
}

void TstDocumentFiles::theNewFileDialogMakesNamesAbsoluteAndCancelGivesNothing()
{
    FileDialogs dialogs;
    OpenEditDialog dialog(QStringLiteral("Program1.vxt"), true, Norbel, dialogs);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Open a New file for editing"));
    QVERIFY(dialog.newWindowBox()->isChecked());
    QVERIFY(dialog.okButton()->isEnabled());
    dialog.nameField()->clear();
    QVERIFY(!dialog.okButton()->isEnabled());

    std::optional<FileDialogRequest> seen;
    const QString browsed = m_dir.filePath(QStringLiteral("picked.nbt"));
    dialogs.setRunner([&](const FileDialogRequest &request) -> std::optional<QString> {
        seen = request;
        return browsed;
    });
    dialog.browse();
    QVERIFY(seen);
    QCOMPARE(seen->selectedFilter, QStringLiteral("Norbel Files (*.nbt)"));
    QCOMPARE(dialog.nameField()->text(), browsed);

    dialog.nameField()->setText(QStringLiteral("relative.nbt"));
    dialog.newWindowBox()->setChecked(false);
    QTest::keyClick(dialog.nameField(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.fileName(), QDir::toNativeSeparators(QDir::current().absoluteFilePath("relative.nbt")));
    QVERIFY(!dialog.newWindow());

    OpenEditDialog cancelled(QStringLiteral("x.vxt"), false, Veltor, dialogs);
    cancelled.reject();
    QVERIFY(cancelled.fileName().isEmpty());
}

void TstDocumentFiles::printingToAPdfFileWritesAPdf()
{
    QsciScintilla editor;
    editor.setText(QStringLiteral("PG 100\r\n  move 2000 ' first move\r\n"));
    const QString pdf = m_dir.filePath(QStringLiteral("program.pdf"));
    QsciPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QVERIFY(printEditor(&editor, printer));
    const QByteArray bytes = fileBytes(pdf);
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.size() > 500);
}

void TstDocumentFiles::terminalPrintingAsksAboutScrollBackOnlyWithoutASelection()
{
    TerminalPrintSource source{QStringLiteral("screen line"), QStringLiteral("old line\nscreen line"),
                               QString(), QFont(QStringLiteral("Monospace"), 9)};
    const QString pdf = m_dir.filePath(QStringLiteral("terminal.pdf"));
    auto printOnce = [&] {
        QFile::remove(pdf);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printTerminal(source, m_prompt, nullptr, &printer);
        return fileBytes(pdf);
    };
    m_prompt.queueAnswer(PromptAnswer::Yes);
    QVERIFY(printOnce().startsWith("%PDF"));
    QCOMPARE(m_prompt.asked().size(), 1);
    QCOMPARE(m_prompt.asked()[0].text, QStringLiteral("Include Scroll Back Lines?"));
    QCOMPARE(m_prompt.asked()[0].buttons, PromptButtons::YesNo);

    source.selection = QStringLiteral("selected");
    QVERIFY(printOnce().startsWith("%PDF"));
    QCOMPARE(m_prompt.asked().size(), 1);
}

QTEST_MAIN(TstDocumentFiles)
#include "tst_documentfiles.moc"
