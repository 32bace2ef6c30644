// The function-key editor on a copy of a terminal's keys: fields, groups, the Codes menu, the tree's copy
// and remove commands, another preferences file through "Browse...", and what Done stores.

#include "functionkeys/functionkeyeditor.h"
#include "scriptedprompt.h"
#include "settings/inifile.h"
#include "settings/preferences.h"
#include "settings/prefsfile.h"
#include "ui/filedialogs.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using namespace korvo;

namespace {
CommWindowSettings twoGroups()
{
    CommWindowSettings s;
    s.fGroupCt = 2;
    s.fGroup = 1;
    s.groupNames = QStringList{"Motion", "Setup"};
    s.keys.resize(20);
    s.keys[0] = {QStringLiteral("Home"), QStringLiteral("hm^M")};
    s.keys[13] = {QStringLiteral("Rate"), QStringLiteral("br 9600^M")};
    return s;
}

QAction *action(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

QTreeWidgetItem *find(QTreeWidget *tree, const QString &text)
{
    const QList<QTreeWidgetItem *> items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}
} // namespace

class TstFunctionKeyEditor : public QObject
{
    Q_OBJECT
    ScriptedPrompt m_prompt;
    FileDialogs m_fileDialogs;

private Q_SLOTS:
    void cleanup() { m_prompt.clear(); }

    void editsCodesAndNewGroupsReachTheSettingsOnlyThroughDone()
    {
        const CommWindowSettings original = twoGroups();
        CommWindowSettings s = original;
        FunctionKeyEditor editor(s, 3, m_fileDialogs, m_prompt);
        QCOMPARE(editor.windowTitle(), QStringLiteral("KorvoTerm Function Key Setup"));
        QCOMPARE(editor.groupNameEdit()->text(), QStringLiteral("Setup"));
        QCOMPARE(editor.contentsEdit(3)->text(), QStringLiteral("br 9600^M"));

        // Codes go in at the cursor; the checksum covers the command typed so far.
        QLineEdit *contents = editor.contentsEdit(3);
        contents->setText(QStringLiteral("01MV"));
        contents->setCursorPosition(4);
        action(editor.codesMenu(3), QStringLiteral("Insert CheckSum"))->trigger();
        action(editor.codesMenu(3), QStringLiteral("Carriage Return"))->trigger();
        action(editor.codesMenu(3), QStringLiteral("Pause (Time mSec)"))->trigger();
        QCOMPARE(contents->text(), QStringLiteral("01MV04^M^d"));
        QCOMPARE(editor.codesMenu(0)->actions().size(), 17);
        QCOMPARE(FunctionKeyEditor::checkSum(QStringLiteral("ab^M\"01\"MV")), QStringLiteral("04"));

        editor.captionEdit(3)->setText(QStringLiteral("Move"));
        editor.newGroup(false);
        QCOMPARE(editor.currentGroup(), 2);
        QCOMPARE(editor.groupNameEdit()->text(), QStringLiteral("Group3"));
        QVERIFY(editor.contentsEdit(3)->text().isEmpty());
        editor.captionEdit(0)->setText(QStringLiteral("New"));
        editor.newGroup(true);
        QCOMPARE(editor.captionEdit(3)->text(), QStringLiteral("Move"));
        QCOMPARE(s.keys.size(), original.keys.size());

        editor.saveFuncData(s);
        QCOMPARE(s.fGroupCt, 3);
        QCOMPARE(s.fGroup, 1);
        QCOMPARE(s.groupNames, (QStringList{"Motion", "Setup", "Group3"}));
        QCOMPARE(s.keys[13].command, QStringLiteral("01MV04^M^d"));
        QCOMPARE(s.keys[20].label, QStringLiteral("New"));

        // What Done stored is what the preferences file keeps.
        Preferences state;
        state.commSlots.push_back(s);
        state.commSlots[1].name = QStringLiteral("Terminal 1");
        state.commCt = 1;
        Preferences reread;
        readPrefs(prefsImage(state, QString(), false), reread, false);
        QCOMPARE(reread.commSlots.at(1).groupNames, s.groupNames);
        QCOMPARE(reread.commSlots.at(1).keys[13].command, s.keys[13].command);
    }

    void aKeyTakesNoMoreThanTheFileKeepsAndSaysWhy()
    {
        // Caption, separator and contents were cut silently at the next save when longer than one value.
        CommWindowSettings s = twoGroups();
        FunctionKeyEditor editor(s, 0, m_fileDialogs, m_prompt);
        QLineEdit *caption = editor.captionEdit(0);
        QLineEdit *contents = editor.contentsEdit(0);
        caption->setText(QStringLiteral("Home"));
        const int room = int(IniFile::kMaxValueLength) - 1 - 4;
        contents->setText(QString(room - 1, u'x'));
        QVERIFY(editor.limitNote()->isHidden());
        QTest::keyClicks(contents, QStringLiteral("yz"));
        QCOMPARE(contents->text().size(), room);
        QVERIFY(!editor.limitNote()->isHidden());
        QTest::keyClicks(caption, QStringLiteral("q"));
        QCOMPARE(caption->text(), QStringLiteral("Home"));
        QTest::keyClick(contents, Qt::Key_Backspace);
        QVERIFY(editor.limitNote()->isHidden());
        // Another group's fields do not cut this key's when it comes back.
        editor.newGroup(false);
        editor.newGroup(true);
        QCOMPARE(contents->text().size(), room - 1);

        editor.saveFuncData(s);
        Preferences state;
        state.commSlots.push_back(s);
        state.commCt = 1;
        Preferences reread;
        readPrefs(prefsImage(state, QString(), false), reread, false);
        QCOMPARE(s.keys[10].command.size(), room - 1);
        QCOMPARE(reread.commSlots.at(1).keys[10].label, QStringLiteral("Home"));
        QCOMPARE(reread.commSlots.at(1).keys[10].command, s.keys[10].command);
    }

    void theTreeCopiesIntoWhatTheFieldsShowAndRemovesAfterAsking()
    {
        CommWindowSettings s = twoGroups();
        FunctionKeyEditor editor(s, 5, m_fileDialogs, m_prompt);
        QTreeWidgetItem *motion = find(editor.tree(), QStringLiteral("Group 1 - Motion"));
        QVERIFY(motion);
        QMenu *menu = editor.treeMenu(motion);
        QVERIFY(action(menu, QStringLiteral("Copy Group")));
        action(menu, QStringLiteral("Copy Group"))->trigger();
        QCOMPARE(editor.currentGroup(), 1);
        QCOMPARE(editor.groupNameEdit()->text(), QStringLiteral("Motion"));
        QCOMPARE(editor.contentsEdit(0)->text(), QStringLiteral("hm^M"));
        QVERIFY(editor.contentsEdit(3)->text().isEmpty());

        // A key's caption goes to the row last edited.
        editor.contentsEdit(7)->setFocus();
        editor.show();
        QTRY_COMPARE(editor.currentKey(), 7);
        // The labelled button opens the tree beside the fields by widening the dialog, not squeezing them.
        auto *more = editor.findChild<QToolButton *>(QStringLiteral("cmdMore"));
        QVERIFY(more && !more->text().isEmpty());
        const int fieldWidth = editor.groupNameEdit()->width();
        const int dialogWidth = editor.width();
        more->click();
        QVERIFY(editor.tree()->isVisible());
        QTRY_VERIFY(editor.width() > dialogWidth);
        QTRY_COMPARE(editor.groupNameEdit()->width(), fieldWidth);
        QTreeWidgetItem *home = find(editor.tree(), QStringLiteral("F1 Home"));
        action(editor.treeMenu(home), QStringLiteral("Copy Caption"))->trigger();
        QCOMPARE(editor.captionEdit(7)->text(), QStringLiteral("Home"));
        QVERIFY(editor.contentsEdit(7)->text().isEmpty());

        m_prompt.queueAnswer(PromptAnswer::No);
        action(editor.treeMenu(find(editor.tree(), QStringLiteral("Group 1 - Motion"))),
               QStringLiteral("Remove"))
            ->trigger();
        QCOMPARE(m_prompt.asked().last().text, QStringLiteral("Remove \"Motion\""));
        QCOMPARE(m_prompt.asked().last().buttons, PromptButtons::YesNo);
        m_prompt.queueAnswer(PromptAnswer::Yes);
        action(editor.treeMenu(find(editor.tree(), QStringLiteral("Group 1 - Motion"))),
               QStringLiteral("Remove"))
            ->trigger();
        editor.saveFuncData(s);
        QCOMPARE(s.fGroupCt, 1);
        QCOMPARE(s.groupNames, QStringList{"Motion"});
        QCOMPARE(s.keys.size(), size_t(10));
        QCOMPARE(s.keys[7].label, QStringLiteral("Home"));
        QCOMPARE(s.fGroup, 0);
    }

    void browseListsAnotherFilesTerminalsToCopyFrom()
    {
        QTemporaryDir dir;
        Preferences other;
        for (const char *name : {"Lab", "Bench"}) {
            CommWindowSettings slot = twoGroups();
            slot.name = QLatin1String(name);
            slot.keys[4] = {QStringLiteral("Jog %1").arg(QLatin1String(name)), QStringLiteral("\"jog\"^M")};
            other.commSlots.push_back(slot);
        }
        other.commCt = 2;
        const QString path = dir.filePath(QStringLiteral("other.ktm"));
        QVERIFY(prefsImage(other, QString(), false).save(path));

        CommWindowSettings s = twoGroups();
        FunctionKeyEditor editor(s, 2, m_fileDialogs, m_prompt);
        editor.browseFile(path);
        QCOMPARE(editor.tree()->topLevelItemCount(), 3);
        QCOMPARE(editor.tree()->topLevelItem(2)->text(0), QStringLiteral("other.ktm: Bench"));
        QTreeWidgetItem *jog = find(editor.tree(), QStringLiteral("F5 Jog Bench"));
        QVERIFY(jog);
        QMenu *menu = editor.treeMenu(jog);
        QVERIFY(!action(menu, QStringLiteral("Remove")));
        action(menu, QStringLiteral("Copy Content From..."))->trigger();
        QCOMPARE(editor.contentsEdit(2)->text(), QStringLiteral("\"jog\"^M"));
        action(menu, QStringLiteral("Copy Function Key"))->trigger();
        QCOMPARE(editor.captionEdit(2)->text(), QStringLiteral("Jog Bench"));
    }
};

QTEST_MAIN(TstFunctionKeyEditor)
#include "tst_functionkeyeditor.moc"
