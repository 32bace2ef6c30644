// The Transfer menu's capture items in the real main window with one terminal: the file dialog, pause and
// resume on one file, stop, the terminal's "capture" panel, and a file that cannot be opened.

#include "app/programoptions.h"
#include "functionkeys/capturefile.h"
#include "scriptedprompt.h"
#include "shell/childwindows.h"
#include "shell/mainmenus.h"
#include "shell/mainwindow.h"
#include "terminal/commwindow.h"
#include "terminal/statuspanels.h"
#include "ui/filedialogs.h"

#include <QAction>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

class TstCaptureMenu : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void captureRunsFromTheTransferMenuWithPauseAndResume()
    {
        QTemporaryDir dir;
        ScriptedPrompt prompt;
        ProgramOptions options;
        options.startDir = dir.path();
        options.prefFile = dir.filePath(QStringLiteral("korvoterm.ktm"));
        QFile prefs(options.prefFile);
        QVERIFY(prefs.open(QIODevice::WriteOnly));
        prefs.write(
            "[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=1\r\n[Comm_1]\r\nAutoName=0\r\nName=Axis rig\r\n");
        prefs.close();
        MainWindow window(options, prompt);
        window.start();
        auto *terminal = qobject_cast<CommWindow *>(window.children()->all().value(0)->widget());
        QVERIFY(terminal);
        const auto panel = [terminal] { return terminal->panels().text(QStringLiteral("capture")); };
        const auto item = [&window](int index) { return window.menus()->item(MenuId::Transfer, index); };
        QVERIFY(item(3)->isEnabled());
        QVERIFY(!item(4)->isVisible());
        QVERIFY(!item(5)->isVisible());

        const QString path = dir.filePath(QStringLiteral("session.txt"));
        QString offered;
        window.fileDialogs().setRunner([&](const FileDialogRequest &request) -> std::optional<QString> {
            offered = request.title;
            return path;
        });
        item(3)->trigger();
        QCOMPARE(offered, QStringLiteral("Select Capture File"));
        QCOMPARE(window.capture().state(), CaptureFile::State::On);
        QCOMPARE(panel(), QStringLiteral("Capture ON "));
        QVERIFY(!item(3)->isEnabled());
        QVERIFY(item(4)->isVisible());
        QVERIFY(item(5)->isVisible());
        // Any later refresh of the commands (the terminal activated again, a click in it) keeps it so.
        window.refreshCommands();
        QVERIFY(!item(3)->isEnabled());
        QVERIFY(item(4)->isEnabled());

        item(4)->trigger();
        QCOMPARE(item(4)->text(), QStringLiteral("&Resume Capture"));
        QCOMPARE(panel(), QStringLiteral("Capture OFF "));
        item(4)->trigger();
        QCOMPARE(item(4)->text(), QStringLiteral("&Pause Capture"));
        QCOMPARE(panel(), QStringLiteral("Capture ON "));
        item(5)->trigger();
        QCOMPARE(window.capture().state(), CaptureFile::State::Off);
        QCOMPARE(panel(), QStringLiteral("Capture "));
        QVERIFY(!item(4)->isVisible());
        QVERIFY(item(3)->isEnabled());
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(prompt.asked().isEmpty());

        // A folder of that name: one message with the reason, capture stays off.
        window.fileDialogs().setRunner(
            [&](const FileDialogRequest &) -> std::optional<QString> { return dir.path(); });
        item(3)->trigger();
        QCOMPARE(prompt.asked().size(), 1);
        QCOMPARE(prompt.asked().first().title, QStringLiteral("File Error"));
        QCOMPARE(window.capture().state(), CaptureFile::State::Off);
        window.fileDialogs().setRunner({});
    }
};

QTEST_MAIN(TstCaptureMenu)
#include "tst_capturemenu.moc"
