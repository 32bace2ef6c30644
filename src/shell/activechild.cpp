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
    const AppState &state = app();
    return state.activeKind == WindowKind::Edit ? editWindow(window, state.activeDoc) : nullptr;
}

CommWindow *activeCommWindow(const MainWindow &window)
{
    const AppState &state = app();
    return state.activeKind == WindowKind::Terminal ? commWindow(window, state.activeComm) : nullptr;
}

} // namespace korvo
