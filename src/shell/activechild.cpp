#include "activechild.h"

#include "editor/editwindow.h"
#include "shell/mainwindow.h"
#include "terminal/commwindow.h"

namespace korvo {

EditWindow *editWindow(const MainWindow &window, int slot)
{
    return qobject_cast<EditWindow *>(window.childWidget(WindowKind::Edit, slot));
}

CommWindow *commWindow(const MainWindow &window, int slot)
{
    return qobject_cast<CommWindow *>(window.childWidget(WindowKind::Terminal, slot));
}

EditWindow *activeEditWindow(const MainWindow &window)
{
    const ActiveChild &active = window.active();
    return active.kind == WindowKind::Edit ? editWindow(window, active.doc) : nullptr;
}

CommWindow *activeCommWindow(const MainWindow &window)
{
    const ActiveChild &active = window.active();
    return active.kind == WindowKind::Terminal ? commWindow(window, active.comm) : nullptr;
}

} // namespace korvo
