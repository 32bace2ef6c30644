#pragma once

// frmFunc_Keys, "KorvoTerm Function Key Setup": edits a terminal's function-key groups on a copy of
// them. The fields show one group (its name, the ten captions and contents); "Group -" and "Group +" move
// between groups, "Group +" past the last one adds a group. Each contents box has the "Codes" menu beside
// it. The tree part (shown by the picture button) lists this window's groups and, after "Browse...", the
// terminals of another preferences file; its menu copies a group, a key, a caption or a contents into
// what the fields show, and removes this window's groups and keys. Done stores the copy back
// (saveFuncData); Cancel leaves the window's settings as they were.

#include "settings/preferences.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvo {

class FileDialogs;
class Prompt;

class FunctionKeyEditor : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kKeys = 10;

    // Opens on key 0..9 of source's current group; "Browse..." asks through fileDialogs, questions go to
    // prompt.
    FunctionKeyEditor(const CommWindowSettings &source, int key, const FileDialogs &fileDialogs,
                      Prompt &prompt, QWidget *parent = nullptr);

    // Save_Func_Data: the edited groups into a terminal's settings.
    void saveFuncData(CommWindowSettings &target);
    // New_Group: back one group, or forward one (adding a group after the last).
    void newGroup(bool back);
    // "Browse...": the terminals of another preferences file join the tree.
    void browseFile(const QString &path);

    int currentGroup() const { return m_group; }
    int currentKey() const { return m_key; }
    QLineEdit *captionEdit(int key) const { return m_captions.at(size_t(key)); }
    QLineEdit *contentsEdit(int key) const { return m_contents.at(size_t(key)); }
    QLineEdit *groupNameEdit() const { return m_groupName; }
    // Says why a caption or contents box takes no more characters; hidden while every key has room.
    QLabel *limitNote() const { return m_limitNote; }
    QTreeWidget *tree() const { return m_tree; }
    // The "Codes" menu for a key's contents box; its actions insert at that box's cursor.
    QMenu *codesMenu(int key);
    // The tree's menu for an item (what Copy and Remove act on).
    QMenu *treeMenu(QTreeWidgetItem *item);

    // "Insert CheckSum": the 8-bit sum of the characters between the last "^M" or "^J" (or the start)
    // and the cursor, quotes left out, as two upper-case hex digits.
    static QString checkSum(const QString &textBeforeCursor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One terminal's groups as the tree shows them: this window's copy or a browsed file's.
    struct Source
    {
        QString name;
        QStringList groupNames;
        std::vector<FunctionKey> keys;
    };

    void buildUi();
    QWidget *buildTreePart();
    // Shows or hides the group tree left of the fields.
    void showTree(bool shown);
    void fillFields();
    // Caption and contents of key k share the room of one value of the preferences file.
    void limitKey(int k);
    void loadFuncData();
    void fillTree();
    void addSourceNodes(QTreeWidgetItem *parent, int source);
    // A tree node by value (the tree is rebuilt after every change): whose, which group, which key (-1 for
    // a group).
    struct NodeRef
    {
        int source = -1;
        int group = 0;
        int key = -1;
    };
    void copyFrom(NodeRef ref, int what);
    void removeItem(NodeRef ref);
    void browse();
    FunctionKey &keyAt(int group, int key) { return m_keys[size_t(group * kKeys + key)]; }

    const FileDialogs &m_fileDialogs;
    Prompt &m_prompt;
    QStringList m_names;
    std::vector<FunctionKey> m_keys;
    int m_group = 0;
    int m_key = 0;
    std::vector<Source> m_browsed;

    QLineEdit *m_groupName = nullptr;
    std::array<QLineEdit *, kKeys> m_captions{};
    std::array<QLineEdit *, kKeys> m_contents{};
    QLabel *m_limitNote = nullptr;
    QTreeWidget *m_tree = nullptr;
    QWidget *m_treePart = nullptr;
    QMenu *m_codes = nullptr;
};

} // namespace korvo
