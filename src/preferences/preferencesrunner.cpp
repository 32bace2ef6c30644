#include "preferences/preferencesrunner.h"

#include "editor/editwindow.h"
#include "preferences/optionsdialog.h"
#include "terminal/commwindow.h"

namespace korvo {

namespace {

bool isOpenTerminal(const Preferences &state, int slot)
{
    return slot > 0 && size_t(slot) < state.commSlots.size() && state.commSlots[size_t(slot)].state >= 0;
}

// The terminal reached an applied terminal page reaches, by the "Apply to:" choice.
QList<int> terminalTargets(const Preferences &state, int activeComm, int applyTo)
{
    QList<int> reached;
    if (applyTo & ApplyDefault)
        reached << 0;
    if ((applyTo & ApplyActive) && isOpenTerminal(state, activeComm))
        reached << activeComm;
    if (applyTo & ApplyAllOpen)
        for (int slot = 1; slot < int(state.commSlots.size()); ++slot)
            if (isOpenTerminal(state, slot) && !reached.contains(slot))
                reached << slot;
    return reached;
}

} // namespace

void applyOptionsPage(const OptionsDialog &dialog, int page, const PreferencesTarget &target,
                      const PreferencesHost &host)
{
    Preferences &state = target.prefs;
    const OptionsValues &values = dialog.values();
    const QList<QWidget *> windows = host.windows ? host.windows() : QList<QWidget *>();
    switch (page) {
    case TextEditorPage:
    case ProgramEditorPage:
        state.styles[size_t(page)] = page == TextEditorPage ? values.text : values.program;
        for (QWidget *window : windows)
            if (auto *edit = qobject_cast<EditWindow *>(window))
                edit->setEditor();
        break;
    case TerminalFormatPage:
    case CommSettingsPage: {
        const QList<int> targets = terminalTargets(state, target.activeComm, values.applyTo);
        for (int slot : targets) {
            if (page == TerminalFormatPage)
                copyTerminalFormat(values.terminal, state.commSlots[size_t(slot)]);
            else
                copyCommSettings(values.terminal, state.commSlots[size_t(slot)]);
        }
        for (QWidget *window : windows)
            if (auto *comm = qobject_cast<CommWindow *>(window); comm && targets.contains(comm->slot()))
                comm->setTerminal(page == TerminalFormatPage ? CommWindow::kDisplayItems
                                                             : CommWindow::kCommItems);
        break;
    }
    case GeneralPage:
        applyGeneral(values.general, state);
        for (QWidget *window : windows)
            if (auto *edit = qobject_cast<EditWindow *>(window))
                edit->updateCaption();
        if (host.historyChanged)
            host.historyChanged();
        break;
    default:
        break;
    }
}

void runPreferences(PreferencesRequest request, const PreferencesTarget &target, const PreferencesHost &host,
                    ApplyToWord &applyTo, Clock &clock, Prompt &prompt, QWidget *parent)
{
    Preferences &state = target.prefs;
    const int activeComm = target.activeComm;
    OptionsDialog::Context context;
    context.request = request;
    const QList<QWidget *> windows = host.windows ? host.windows() : QList<QWidget *>();
    for (QWidget *window : windows) {
        context.editWindowOpen = context.editWindowOpen || qobject_cast<EditWindow *>(window);
        context.terminalOpen = context.terminalOpen || qobject_cast<CommWindow *>(window);
    }
    if (isOpenTerminal(state, activeComm))
        context.activeTerminal = &state.commSlots[size_t(activeComm)];
    context.discoveryTarget = state.setup.discoveryTarget;
    context.ports = host.ports;

    OptionsValues values = OptionsValues::load(state, activeComm);
    values.applyTo = applyTo.targets(request);
    OptionsDialog dialog(values, context, clock, prompt, parent);
    QObject::connect(&dialog, &OptionsDialog::applyRequested, &dialog,
                     [&](int page) { applyOptionsPage(dialog, page, target, host); });
    dialog.exec();
    applyTo.setTargets(request, dialog.values().applyTo);
    // The file follows the dialog however it was closed: pages already applied stay applied.
    if (host.save)
        host.save();
}

} // namespace korvo
