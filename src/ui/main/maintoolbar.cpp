#include "maintoolbar.h"

#include "toolicons.h"

#include <QAction>
#include <QToolBar>

namespace korvo {

namespace {
struct ToolButton
{
    const char *key;
    const char *tip;
};

// An empty key is a separator between groups of buttons.
const ToolButton kButtons[] = {
    {"new", "New Text File"},
    {"open", "Open"},
    {"save", "Save"},
    {"", ""},
    {"cut", "Cut"},
    {"copy", "Copy"},
    {"paste", "Paste"},
    {"", ""},
    {"print", "Print"},
    {"props", "Properties"},
    {"", ""},
    {"con", "Connect Comm. Port"},
    {"discon", "Disconnect Comm. Port"},
    {"", ""},
    {"upld", "Upload from"},
    {"dnld", "Download to"},
    {"", ""},
    {"clear", "Clear Terminal Window"},
    {"snap", "Snap Terminal to Size"},
};
} // namespace

MainToolBar::MainToolBar(QToolBar *bar, QObject *parent) : QObject(parent), m_bar(bar)
{
    m_bar->setObjectName(QStringLiteral("tbrKORVO"));
    m_bar->setWindowTitle(tr("Toolbar"));
    m_bar->setMovable(false);
    for (const ToolButton &entry : kButtons) {
        const QString key = QString::fromLatin1(entry.key);
        if (key.isEmpty()) {
            m_bar->addSeparator();
            continue;
        }
        QAction *action = m_bar->addAction(toolIcon(key), QString::fromLatin1(entry.tip));
        action->setObjectName(key);
        action->setToolTip(QString::fromLatin1(entry.tip));
        connect(action, &QAction::triggered, this, [this, key] { emit triggered(key); });
        m_buttons.insert(key, action);
        m_keys.append(key);
    }
    disableAll();
}

QAction *MainToolBar::button(const QString &key) const
{
    return m_buttons.value(key);
}

QStringList MainToolBar::keys() const
{
    return m_keys;
}

void MainToolBar::setEnabled(const QString &key, bool enabled)
{
    if (QAction *action = button(key))
        action->setEnabled(enabled);
}

void MainToolBar::setTip(const QString &key, const QString &tip)
{
    if (QAction *action = button(key)) {
        action->setText(tip);
        action->setToolTip(tip);
    }
}

void MainToolBar::disableAll()
{
    for (QAction *action : std::as_const(m_buttons))
        action->setEnabled(false);
}

} // namespace korvo
