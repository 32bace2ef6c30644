#pragma once

// The toolbar tbrKORVO: keyed buttons with icons and tips; the active child enables the ones it serves.

#include <QHash>
#include <QObject>
#include <QString>

class QAction;
class QToolBar;

namespace korvo {

class MainToolBar : public QObject
{
    Q_OBJECT
public:
    explicit MainToolBar(QToolBar *bar, QObject *parent = nullptr);

    // Button by key ("new", "open", ... "snap"); nullptr for an unknown key.
    QAction *button(const QString &key) const;
    QStringList keys() const;
    void setEnabled(const QString &key, bool enabled);
    void setTip(const QString &key, const QString &tip);
    void disableAll();

signals:
    void triggered(const QString &key);

private:
    QToolBar *m_bar;
    QHash<QString, QAction *> m_buttons;
    QStringList m_keys;
};

} // namespace korvo
