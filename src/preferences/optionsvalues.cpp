#include "preferences/optionsvalues.h"

#include <algorithm>

namespace korvo {

namespace {

constexpr int kApplyTargets = ApplyDefault | ApplyActive | ApplyAllOpen;

} // namespace

OptionsValues OptionsValues::load(const Preferences &state, int activeComm)
{
    OptionsValues values;
    values.text = state.styles[1];
    values.program = state.styles[2];
    const bool hasActive = activeComm > 0 && size_t(activeComm) < state.commSlots.size() &&
                           state.commSlots[size_t(activeComm)].state >= 0;
    values.terminal = state.commSlots[hasActive ? size_t(activeComm) : 0];
    values.general = state.setup;
    return values;
}

OptionsPage pageForRequest(PreferencesRequest request)
{
    switch (request) {
    case PreferencesRequest::TextEditor:
    case PreferencesRequest::TextEditorApplyTo:
        return TextEditorPage;
    case PreferencesRequest::ProgramEditor:
        return ProgramEditorPage;
    case PreferencesRequest::TerminalFormat:
        return TerminalFormatPage;
    case PreferencesRequest::CommSettings:
        return CommSettingsPage;
    case PreferencesRequest::General:
        return GeneralPage;
    }
    return TextEditorPage;
}

bool offersApplyTo(PreferencesRequest request)
{
    return request == PreferencesRequest::TerminalFormat || request == PreferencesRequest::CommSettings ||
           request == PreferencesRequest::TextEditorApplyTo;
}

int ApplyToWord::shift(PreferencesRequest request)
{
    return request == PreferencesRequest::CommSettings ? 6 : 3;
}

int ApplyToWord::targets(PreferencesRequest request) const
{
    return offersApplyTo(request) ? (m_bits >> shift(request)) & kApplyTargets : int(ApplyActive);
}

void ApplyToWord::setTargets(PreferencesRequest request, int targets)
{
    if (!offersApplyTo(request))
        return;
    const int at = shift(request);
    m_bits = (m_bits & ~(kApplyTargets << at)) | ((targets & kApplyTargets) << at);
}

void copyTerminalFormat(const CommWindowSettings &from, CommWindowSettings &to)
{
    to.font = from.font;
    to.size = from.size;
    to.bold = from.bold;
    to.italic = from.italic;
    to.forecolor = from.forecolor;
    to.backcolor = from.backcolor;
    to.name = from.name;
    to.autoName = from.autoName;
    to.rows = from.rows;
    to.columns = from.columns;
    to.scrollRows = from.scrollRows;
    to.blockCursor = from.blockCursor;
}

void copyCommSettings(const CommWindowSettings &from, CommWindowSettings &to)
{
    to.device = from.device;
    to.canInterface = from.canInterface;
    to.tcpipEnabled = from.tcpipEnabled;
    to.tcpAddress = from.tcpAddress;
    // The adapter seen at the old port is not the one the terminal looks for at another.
    if (to.port != from.port || to.portName != from.portName || to.tcpipEnabled != from.tcpipEnabled)
        to.adapter = AdapterIdentity();
    to.port = from.port;
    to.portName = from.portName;
    to.settings = from.settings;
    to.charDelay = from.charDelay;
    to.lineDelay = from.lineDelay;
    to.rtsActive = from.rtsActive;
    to.dtrActive = from.dtrActive;
    to.translateCR = from.translateCR;
    to.crTranslate = from.crTranslate;
    to.controlHex = from.controlHex;
    to.notCRLF = from.notCRLF;
    to.displayHex = from.displayHex;
    to.fKeyEn = from.fKeyEn;
    if (to.fGroupCt != from.fGroupCt)
        resizeFunctionGroups(to, from.fGroupCt);
}

void resizeFunctionGroups(CommWindowSettings &settings, int groups)
{
    groups = std::max(1, groups);
    settings.fGroupCt = int16_t(groups);
    settings.keys.resize(size_t(groups) * 10);
    while (settings.groupNames.size() > groups)
        settings.groupNames.removeLast();
    while (settings.groupNames.size() < groups)
        settings.groupNames << QStringLiteral("Group") + QString::number(settings.groupNames.size() + 1);
    settings.fGroup = int16_t(std::min<int>(settings.fGroup, groups - 1));
}

void applyGeneral(const SetupRecord &from, Preferences &state)
{
    state.setup.remFileHistory = from.remFileHistory;
    state.setup.maxFileHistoryCt = from.maxFileHistoryCt;
    state.setup.useFileName = from.useFileName;
    state.setup.fullName = from.fullName;
    if (!from.remFileHistory)
        state.recentFiles.clear();
    while (state.recentFiles.size() > std::max<int>(0, from.maxFileHistoryCt))
        state.recentFiles.removeLast();
}

} // namespace korvo
