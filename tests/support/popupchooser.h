#pragma once

// Plays the user in a popup menu that runs its own event loop (QMenu::exec): as soon as the popup is up,
// notes its captions and chooses the item at the given index with Return. Header-only: only tests that
// link the widgets use it.

#include <QApplication>
#include <QMenu>
#include <QStringList>
#include <QTest>
#include <QTimer>

namespace korvo {

class PopupChooser
{
public:
    explicit PopupChooser(int index)
    {
        m_user.setInterval(0);
        QObject::connect(&m_user, &QTimer::timeout, [this, index] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            m_user.stop();
            for (QAction *action : menu->actions())
                m_offered << action->text();
            menu->setActiveAction(menu->actions().at(index));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        m_user.start();
    }

    const QStringList &offered() const { return m_offered; }

private:
    QTimer m_user;
    QStringList m_offered;
};

} // namespace korvo
