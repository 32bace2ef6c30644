#include "functionkeys/functionkeyeditor.h"
#include "ui/altletters.h"

#include "app/devicecatalogue.h"
#include "app/prompt.h"
#include "settings/inifile.h"
#include "settings/prefsfile.h"
#include "ui/filedialogs.h"
#include "ui/windowplace.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace korvo {

namespace {
// A key is stored as caption, separator and contents in one value of the preferences file.
constexpr int kKeyRoom = int(IniFile::kMaxValueLength) - 1;

const QString kTitle = QStringLiteral("KorvoTerm Function Key Setup");

// The "Codes" menu: caption and the code it inserts.
const std::pair<const char *, const char *> kCodes[] = {
    {"Control C", "^C"},
    {"Bell", "^G"},
    {"Tab", "^I"},
    {"Line Feed", "^J"},
    {"Carriage Return", "^M"},
    {"Cr/Lf", "^M^J"},
    {"Escape", "^["},
    {"Pause (1 Sec)", "^p"},
    {"Pause (50 mSec)", "^m"},
    {"Pause (Time mSec)", "^d"},
    {"Repeat (Count)", "^r"},
    {"Capture ON", "^c"},
    {"Capture OFF", "^o"},
    {"Function Key", "^f"},
    {"Timer On", "^t1"},
    {"Timer Off", "^t0"},
};

// Tree item data: what the node is, whose it is (-1 this window, else a browsed terminal), group, key.
enum Role { KindRole = Qt::UserRole, SourceRole, GroupRole, KeyRole };
enum Copy { CopyGroup, CopyKey, CopyCaption, CopyContents };

QTreeWidgetItem *node(QTreeWidgetItem *parent, const QString &text, const QString &kind, int source,
                      int group, int key = -1)
{
    auto *item = new QTreeWidgetItem(parent, {text});
    item->setData(0, KindRole, kind);
    item->setData(0, SourceRole, source);
    item->setData(0, GroupRole, group);
    item->setData(0, KeyRole, key);
    return item;
}

} // namespace

FunctionKeyEditor::FunctionKeyEditor(const CommWindowSettings &source, int key,
                                     const FileDialogs &fileDialogs, Prompt &prompt, QWidget *parent)
    : QDialog(parent), m_fileDialogs(fileDialogs), m_prompt(prompt), m_names(source.groupNames),
      m_keys(source.keys), m_group(source.fGroup), m_key(std::clamp(key, 0, kKeys - 1))
{
    const int groups = std::max<int>(1, source.fGroupCt);
    m_keys.resize(size_t(groups * kKeys));
    while (m_names.size() < groups)
        m_names << QStringLiteral("Group%1").arg(m_names.size() + 1);
    m_names = m_names.mid(0, groups);
    m_group = std::clamp(m_group, 0, groups - 1);
    setObjectName(QStringLiteral("frmFunc_Keys"));
    setWindowTitle(kTitle);
    buildUi();
    giveAltLetters(this);
    fillFields();
    fillTree();
    m_contents[size_t(m_key)]->setFocus();
}

void FunctionKeyEditor::buildUi()
{
    auto *fields = new QWidget(this);
    auto *grid = new QGridLayout(fields);
    auto *groupLabel = new QLabel(QStringLiteral("Group &Name"), fields);
    grid->addWidget(groupLabel, 0, 0);
    m_groupName = new QLineEdit(fields);
    m_groupName->setObjectName(QStringLiteral("txtGroupName"));
    groupLabel->setBuddy(m_groupName);
    grid->addWidget(m_groupName, 0, 1);
    auto *back = new QPushButton(QStringLiteral("Group &-"), fields);
    auto *forward = new QPushButton(QStringLiteral("Group &+"), fields);
    back->setObjectName(QStringLiteral("cmdSet0"));
    forward->setObjectName(QStringLiteral("cmdSet1"));
    connect(back, &QPushButton::clicked, this, [this] { newGroup(true); });
    connect(forward, &QPushButton::clicked, this, [this] { newGroup(false); });
    auto *groupButtons = new QHBoxLayout;
    groupButtons->addWidget(back);
    groupButtons->addWidget(forward);
    grid->addLayout(groupButtons, 0, 2);

    auto *captions = new QGroupBox(QStringLiteral("Captions"), fields);
    auto *contents = new QGroupBox(QStringLiteral("Contents"), fields);
    auto *captionGrid = new QGridLayout(captions);
    auto *contentsGrid = new QGridLayout(contents);
    for (int k = 0; k < kKeys; ++k) {
        // F1 to F10 take the digits 1 to 0 as their Alt letters; Tab goes on to the key's contents.
        const QString number = QString::number(k + 1);
        auto *label =
            new QLabel(QLatin1String("F") + number.chopped(1) + QLatin1Char('&') + number.right(1), captions);
        label->setObjectName(QStringLiteral("lblFKey%1").arg(k));
        captionGrid->addWidget(label, k, 0);
        m_captions[size_t(k)] = new QLineEdit(captions);
        m_captions[size_t(k)]->setObjectName(QStringLiteral("txtFunc_Lbl%1").arg(k));
        captionGrid->addWidget(m_captions[size_t(k)], k, 1);
        m_contents[size_t(k)] = new QLineEdit(contents);
        m_contents[size_t(k)]->setObjectName(QStringLiteral("txtFunc_Contents%1").arg(k));
        label->setBuddy(m_captions[size_t(k)]);
        m_contents[size_t(k)]->setAccessibleName(QStringLiteral("F%1 Contents").arg(k + 1));
        contentsGrid->addWidget(m_contents[size_t(k)], k, 0);
        auto *codes = new QToolButton(contents);
        codes->setText(QStringLiteral("^"));
        codes->setToolTip(QStringLiteral("Press to Show Function Control Codes"));
        codes->setAccessibleName(QStringLiteral("F%1 Control Codes").arg(k + 1));
        codes->setFocusPolicy(Qt::NoFocus);
        connect(codes, &QToolButton::clicked, this,
                [this, k, codes] { codesMenu(k)->exec(codes->mapToGlobal(QPoint(0, codes->height()))); });
        contentsGrid->addWidget(codes, k, 1);
        for (QLineEdit *edit : {m_captions[size_t(k)], m_contents[size_t(k)]}) {
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textChanged, this, [this, k] { limitKey(k); });
        }
    }
    m_groupName->setMaxLength(int(IniFile::kMaxValueLength));
    m_limitNote =
        new QLabel(QStringLiteral("A key's caption and contents hold at most %1 characters together: "
                                  "the preferences file keeps no more.")
                       .arg(kKeyRoom),
                   fields);
    m_limitNote->setWordWrap(true);
    m_limitNote->setVisible(false);
    grid->addWidget(captions, 1, 0, 1, 2);
    grid->addWidget(contents, 1, 2);
    grid->addWidget(m_limitNote, 2, 0, 1, 3);
    grid->setColumnStretch(2, 2);

    auto *more = new QToolButton(this);
    more->setObjectName(QStringLiteral("cmdMore"));
    more->setText(QStringLiteral("&Groups"));
    more->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    more->setArrowType(Qt::LeftArrow);
    more->setToolTip(QStringLiteral("Click for More Function Key Editing Features"));
    m_treePart = buildTreePart();
    m_treePart->setVisible(false);
    connect(more, &QToolButton::clicked, this, [this, more] {
        showTree(!m_treePart->isVisible());
        more->setArrowType(m_treePart->isVisible() ? Qt::RightArrow : Qt::LeftArrow);
    });

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton *done = buttons->addButton(QStringLiteral("&Done"), QDialogButtonBox::AcceptRole);
    cancel->setObjectName(QStringLiteral("cmdCmd0"));
    done->setObjectName(QStringLiteral("cmdCmd1"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(m_treePart);
    top->addWidget(more, 0, Qt::AlignTop);
    top->addWidget(fields, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

QWidget *FunctionKeyEditor::buildTreePart()
{
    auto *part = new QWidget(this);
    auto *layout = new QVBoxLayout(part);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree = new QTreeWidget(part);
    m_tree->setObjectName(QStringLiteral("tvwFunctionGroups"));
    m_tree->setHeaderHidden(true);
    m_tree->setAccessibleName(QStringLiteral("Function Key Groups"));
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QTreeWidgetItem *item = m_tree->itemAt(pos))
            treeMenu(item)->exec(m_tree->viewport()->mapToGlobal(pos));
    });
    auto *browseButton = new QPushButton(QStringLiteral("&Browse..."), part);
    connect(browseButton, &QPushButton::clicked, this, &FunctionKeyEditor::browse);
    layout->addWidget(m_tree);
    layout->addWidget(browseButton);
    return part;
}

void FunctionKeyEditor::showTree(bool shown)
{
    // The dialog grows by the tree's width rather than squeezing the fields beside it, and gives it back.
    const int width = m_treePart->sizeHint().width() + layout()->spacing();
    const QSize size = this->size() + QSize(shown ? width : -width, 0);
    m_treePart->setVisible(shown);
    if (isVisible())
        placeTopLevel(this, frameGeometry().topLeft() - QPoint(shown ? width : -width, 0), size);
}

void FunctionKeyEditor::fillFields()
{
    m_groupName->setText(m_names.value(m_group));
    for (int k = 0; k < kKeys; ++k) {
        // The limits of the key shown before must not cut this one.
        m_captions[size_t(k)]->setMaxLength(kKeyRoom);
        m_contents[size_t(k)]->setMaxLength(kKeyRoom);
        m_captions[size_t(k)]->setText(keyAt(m_group, k).label);
        m_contents[size_t(k)]->setText(keyAt(m_group, k).command);
    }
}

void FunctionKeyEditor::limitKey(int k)
{
    QLineEdit *caption = m_captions[size_t(k)];
    QLineEdit *contents = m_contents[size_t(k)];
    const int room = kKeyRoom - int(caption->text().size() + contents->text().size());
    caption->setMaxLength(int(caption->text().size()) + std::max(0, room));
    contents->setMaxLength(int(contents->text().size()) + std::max(0, room));
    bool full = false;
    for (int key = 0; key < kKeys; ++key)
        full = full ||
               m_captions[size_t(key)]->text().size() + m_contents[size_t(key)]->text().size() >= kKeyRoom;
    m_limitNote->setVisible(full);
}

void FunctionKeyEditor::loadFuncData()
{
    m_names[m_group] = m_groupName->text();
    for (int k = 0; k < kKeys; ++k)
        keyAt(m_group, k) = {m_captions[size_t(k)]->text(), m_contents[size_t(k)]->text()};
}

void FunctionKeyEditor::newGroup(bool back)
{
    loadFuncData();
    if (back) {
        m_group = std::max(0, m_group - 1);
    } else {
        if (m_group + 1 == m_names.size()) {
            if (m_names.size() >= kMaxFuncGroups)
                return;
            m_names << QStringLiteral("Group%1").arg(m_names.size() + 1);
            m_keys.resize(m_keys.size() + kKeys);
        }
        ++m_group;
    }
    fillFields();
    fillTree();
}

void FunctionKeyEditor::saveFuncData(CommWindowSettings &target)
{
    loadFuncData();
    target.groupNames = m_names;
    target.keys = m_keys;
    target.fGroupCt = int16_t(m_names.size());
    target.fGroup = int16_t(m_group);
}

QMenu *FunctionKeyEditor::codesMenu(int key)
{
    if (!m_codes)
        m_codes = new QMenu(QStringLiteral("Codes"), this);
    m_codes->clear();
    QLineEdit *edit = m_contents[size_t(key)];
    for (const auto &[caption, code] : kCodes)
        m_codes->addAction(QLatin1String(caption), this, [edit, code] { edit->insert(QLatin1String(code)); });
    m_codes->addAction(QStringLiteral("Insert CheckSum"), this,
                       [edit] { edit->insert(checkSum(edit->text().left(edit->cursorPosition()))); });
    return m_codes;
}

QString FunctionKeyEditor::checkSum(const QString &textBeforeCursor)
{
    const qsizetype lineStart = std::max(textBeforeCursor.lastIndexOf(QLatin1String("^M")),
                                         textBeforeCursor.lastIndexOf(QLatin1String("^J")));
    const QString command = lineStart < 0 ? textBeforeCursor : textBeforeCursor.mid(lineStart + 2);
    unsigned sum = 0;
    for (const QChar c : command)
        if (c != u'"')
            sum += c.unicode();
    return QStringLiteral("%1").arg(sum & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

bool FunctionKeyEditor::eventFilter(QObject *watched, QEvent *event)
{
    // Copies of a key go to the row last edited.
    if (event->type() == QEvent::FocusIn)
        for (int k = 0; k < kKeys; ++k)
            if (watched == m_captions[size_t(k)] || watched == m_contents[size_t(k)])
                m_key = k;
    return QDialog::eventFilter(watched, event);
}

void FunctionKeyEditor::fillTree()
{
    m_tree->clear();
    auto *own = new QTreeWidgetItem(m_tree, {QStringLiteral("This Window")});
    own->setData(0, KindRole, QStringLiteral("W"));
    own->setData(0, SourceRole, -1);
    addSourceNodes(own, -1);
    own->setExpanded(true);
    for (int i = 0; i < int(m_browsed.size()); ++i) {
        auto *window = new QTreeWidgetItem(m_tree, {m_browsed[size_t(i)].name});
        window->setData(0, KindRole, QStringLiteral("W"));
        window->setData(0, SourceRole, i);
        addSourceNodes(window, i);
    }
}

void FunctionKeyEditor::addSourceNodes(QTreeWidgetItem *parent, int source)
{
    const QStringList &names = source < 0 ? m_names : m_browsed[size_t(source)].groupNames;
    const std::vector<FunctionKey> &keys = source < 0 ? m_keys : m_browsed[size_t(source)].keys;
    for (int g = 0; g < names.size(); ++g) {
        QTreeWidgetItem *group = node(parent, QStringLiteral("Group %1 - %2").arg(g + 1).arg(names[g]),
                                      QStringLiteral("G"), source, g);
        for (int k = 0; k < kKeys; ++k) {
            const size_t index = size_t(g * kKeys + k);
            const FunctionKey key = index < keys.size() ? keys[index] : FunctionKey{};
            QTreeWidgetItem *item = node(group, QStringLiteral("F%1 %2").arg(k + 1).arg(key.label),
                                         QStringLiteral("K"), source, g, k);
            node(item, key.label, QStringLiteral("C"), source, g, k);
            node(item, key.command, QStringLiteral("D"), source, g, k);
        }
    }
}

QMenu *FunctionKeyEditor::treeMenu(QTreeWidgetItem *item)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString kind = item->data(0, KindRole).toString();
    if (kind == QLatin1String("W"))
        return menu;
    const NodeRef ref{item->data(0, SourceRole).toInt(), item->data(0, GroupRole).toInt(),
                      item->data(0, KeyRole).toInt()};
    const bool browsed = ref.source >= 0;
    const QString from = browsed ? QStringLiteral(" From...") : QString();
    if (ref.key < 0) {
        menu->addAction(QStringLiteral("Copy Group"), this, [this, ref] { copyFrom(ref, CopyGroup); });
    } else {
        menu->addAction(QStringLiteral("Copy Function Key"), this, [this, ref] { copyFrom(ref, CopyKey); });
        menu->addAction(QStringLiteral("Copy Caption") + from, this,
                        [this, ref] { copyFrom(ref, CopyCaption); });
        menu->addAction(QStringLiteral("Copy Content") + from, this,
                        [this, ref] { copyFrom(ref, CopyContents); });
    }
    if (!browsed)
        menu->addAction(QStringLiteral("Remove"), this, [this, ref] { removeItem(ref); });
    return menu;
}

void FunctionKeyEditor::copyFrom(NodeRef ref, int what)
{
    loadFuncData();
    const int source = ref.source;
    const int g = ref.group;
    const int k = ref.key;
    const QStringList names = source < 0 ? m_names : m_browsed[size_t(source)].groupNames;
    const std::vector<FunctionKey> keys = source < 0 ? m_keys : m_browsed[size_t(source)].keys;
    const auto keyOf = [&keys](int group, int key) {
        const size_t index = size_t(group * kKeys + key);
        return index < keys.size() ? keys[index] : FunctionKey{};
    };
    switch (what) {
    case CopyGroup:
        m_names[m_group] = names.value(g);
        for (int i = 0; i < kKeys; ++i)
            keyAt(m_group, i) = keyOf(g, i);
        break;
    case CopyKey:
        keyAt(m_group, m_key) = keyOf(g, k);
        break;
    case CopyCaption:
        keyAt(m_group, m_key).label = keyOf(g, k).label;
        break;
    case CopyContents:
        keyAt(m_group, m_key).command = keyOf(g, k).command;
        break;
    default:
        break;
    }
    fillFields();
    fillTree();
}

void FunctionKeyEditor::removeItem(NodeRef ref)
{
    loadFuncData();
    const int g = ref.group;
    const int k = ref.key;
    const bool group = k < 0;
    const QString name = group ? m_names.value(g) : keyAt(g, k).label;
    if (ask(m_prompt, QStringLiteral("Remove \"%1\"").arg(name), kTitle, PromptIcon::Question,
            PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    if (!group) {
        keyAt(g, k) = {};
    } else if (m_names.size() > 1) {
        m_names.removeAt(g);
        m_keys.erase(m_keys.begin() + g * kKeys, m_keys.begin() + (g + 1) * kKeys);
        m_group = std::min(m_group > g ? m_group - 1 : m_group, int(m_names.size()) - 1);
    } else {
        // The last group stays, emptied: a terminal always has one.
        m_names[0] = QStringLiteral("Group1");
        std::fill(m_keys.begin(), m_keys.end(), FunctionKey{});
    }
    fillFields();
    fillTree();
}

void FunctionKeyEditor::browse()
{
    // The preferences-file dialog is the same for every device family.
    const std::optional<QString> path =
        m_fileDialogs.getFile(FileDialogKind::PreferencesFile, Veltor, QString(), FileDialogMode::Open, this);
    if (path)
        browseFile(*path);
}

void FunctionKeyEditor::browseFile(const QString &path)
{
    // Only the terminals' function keys are wanted, none of the factory records.
    Preferences other;
    readPrefs(IniFile::load(path), other, false);
    const QString file = QFileInfo(path).fileName();
    for (int n = 1; n <= other.commCt && n < int(other.commSlots.size()); ++n) {
        const CommWindowSettings &s = other.commSlots[size_t(n)];
        const QString name = s.name.isEmpty() ? QStringLiteral("Comm_%1").arg(n) : s.name;
        m_browsed.push_back(
            {file + QStringLiteral(": ") + name, s.fKeyEn ? s.groupNames : QStringList(), s.keys});
    }
    fillTree();
}

} // namespace korvo
