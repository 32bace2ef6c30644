#include "workspace.h"

#include "editor/languageset.h"
#include "settings/prefsfile.h"

namespace korvo {

namespace {
template <typename Slot> Slot fromTemplate(const std::vector<Slot> &table, int n)
{
    Slot slot = table[0];
    slot.state = slot.state < 0 ? 0 : slot.state;
    slot.top += Workspace::kNewWindowOffsetTwips * (n - 1);
    slot.left += Workspace::kNewWindowOffsetTwips * (n - 1);
    return slot;
}
} // namespace

bool Workspace::load()
{
    m_state.resetSlots();
    m_state.recentFiles.clear();
    readIniFile(m_state);
    bool keywordsFailed = false;
    for (DeviceType device : {UKorvo, Veltor, Fendra, Norbel, PlainText})
        keywordsFailed = loadKeyWords(device) || keywordsFailed;
    return !keywordsFailed;
}

QList<int> Workspace::editSlotsToOpen() const
{
    QList<int> reopen;
    for (int n = 1; n <= m_state.docCt && n < static_cast<int>(m_state.editSlots.size()); ++n) {
        if (m_state.editSlots[n].state >= 0)
            reopen.append(n);
    }
    return reopen;
}

QList<int> Workspace::commSlotsToOpen()
{
    QList<int> reopen;
    for (int n = 1; n <= m_state.commCt && n < static_cast<int>(m_state.commSlots.size()); ++n) {
        CommWindowSettings &slot = m_state.commSlots[n];
        if (slot.state < 0)
            continue;
        if (slot.autoName)
            slot.name = QStringLiteral("Terminal %1").arg(n);
        reopen.append(n);
    }
    return reopen;
}

void Workspace::settleActiveTerminal(int firstNotMinimised)
{
    if (m_state.countWindows(WindowKind::Terminal) > 0)
        m_state.activeComm = static_cast<int16_t>(firstNotMinimised ? firstNotMinimised : m_state.commCt);
}

int Workspace::newCommSlot()
{
    const int n = m_state.findNext(WindowKind::Terminal);
    if (n > kMaxTerminals)
        return 0;
    if (n > m_state.commCt)
        m_state.commCt = static_cast<int16_t>(n);
    m_state.ensureCommSlot(n);
    CommWindowSettings slot = fromTemplate(m_state.commSlots, n);
    slot.port = static_cast<int16_t>(n);
    slot.portName.clear();
    slot.connected = false;
    if (slot.autoName)
        slot.name = QStringLiteral("Terminal %1").arg(n);
    m_state.commSlots[n] = slot;
    return n;
}

int Workspace::newEditSlot(const QString &name)
{
    const int n = m_state.findNext(WindowKind::Edit);
    if (n > m_state.docCt)
        m_state.docCt = static_cast<int16_t>(n);
    m_state.ensureEditSlot(n);
    EditSlot slot = fromTemplate(m_state.editSlots, n);
    slot.name = name;
    slot.modified = false;
    m_state.editSlots[n] = slot;
    return n;
}

void Workspace::releaseSlot(WindowKind kind, int slot)
{
    if (kind == WindowKind::Edit && slot > 0 && slot < static_cast<int>(m_state.editSlots.size()))
        m_state.editSlots[slot].state = kSlotFree;
    else if (kind == WindowKind::Terminal && slot > 0 && slot < static_cast<int>(m_state.commSlots.size()))
        m_state.commSlots[slot].state = kSlotFree;
}

} // namespace korvo
