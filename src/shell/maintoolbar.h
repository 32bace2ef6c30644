#pragma once

// The toolbar tbrKORVO: a button with icon and tip for each command of the command table that has one;
// the active child enables the ones it serves.

#include "ui/command.h"

#include <QHash>
#include <QList>
#include <QObject>

class QAction;
class QToolBar;

namespace korvo {

class MainToolBar : public QObject
{
    Q_OBJECT
public:
    explicit MainToolBar(QToolBar *bar, QObject *parent = nullptr);

    // The button of a command; nullptr when it has none.
    QAction *button(Command command) const;
    // The commands with a button, left to right.
    QList<Command> commands() const { return m_commands; }
    void setTip(Command command, const QString &tip);
    void disableAll();

signals:
    void triggered(korvo::Command command);

private:
    QToolBar *m_bar;
    QHash<Command, QAction *> m_buttons;
    QList<Command> m_commands;
};

} // namespace korvo
