#include "workspace.h"

#include "app/atomicfile.h"
#include "app/commandline.h"
#include "app/texthelpers.h"
#include "settings/prefsfile.h"

namespace korvo {

namespace {
template <typename Table> auto fromTemplate(const Table &table, int n)
{
    auto slot = table[0];
    slot.state = slot.state < 0 ? 0 : slot.state;
    slot.top += Workspace::kNewWindowOffsetTwips * (n - 1);
    slot.left += Workspace::kNewWindowOffsetTwips * (n - 1);
    return slot;
}
} // namespace

Workspace::Workspace(const ProgramOptions &options)
    : m_prefFile(options.prefFile), m_startDir(options.startDir), m_programDir(options.programDir),
      m_version(options.version), m_factory(options.factory)
{
    // An existing file without a preferences section is a document (a file manager hands over a program);
    // the workspace is then the default one. A name that does not exist yet is the preferences file.
    if (!holdsPreferences(prefsPath(m_prefFile, m_startDir))) {
        m_startDocument = prefsPath(m_prefFile, m_startDir);
        m_prefFile = defaultPrefFile(m_startDir);
    }
}

bool Workspace::load()
{
    m_prefs.resetSlots();
    m_prefs.recentFiles.clear();
    readIniFile(prefsPath(m_prefFile, m_startDir), m_prefs, m_factory);
    removeStaleTemporaries();
    return !m_languages.loadAll(m_prefs.styles, m_programDir);
}

void Workspace::removeStaleTemporaries() const
{
    // A save runs for milliseconds: a temporary a minute old belongs to no save that is still running.
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-60);
    QStringList written{prefsPath(m_prefFile, m_startDir)};
    for (int n : editSlotsToOpen())
        written.append(m_prefs.editSlots[std::size_t(n)].name);
    const qsizetype count = written.size();
    for (qsizetype i = 0; i < count; ++i)
        written.append(backupFileName(written[i]));
    AtomicFile::removeStaleTemporaries(written, before);
}

bool Workspace::save(QString *error) const
{
    return writeIniFile(prefsPath(m_prefFile, m_startDir), m_prefs, m_version, m_factory, error);
}

QList<int> Workspace::editSlotsToOpen() const
{
    QList<int> reopen;
    for (int n = 1; n <= m_prefs.docCt && n < static_cast<int>(m_prefs.editSlots.size()); ++n) {
        if (m_prefs.editSlots[n].state >= 0)
            reopen.append(n);
    }
    return reopen;
}

QList<int> Workspace::commSlotsToOpen()
{
    QList<int> reopen;
    for (int n = 1; n <= m_prefs.commCt && n < static_cast<int>(m_prefs.commSlots.size()); ++n) {
        CommWindowSettings &slot = m_prefs.commSlots[n];
        if (slot.state < 0)
            continue;
        if (slot.autoName)
            slot.name = QStringLiteral("Terminal %1").arg(n);
        reopen.append(n);
    }
    return reopen;
}

int Workspace::settledActiveTerminal(int firstNotMinimised) const
{
    if (m_prefs.countWindows(WindowKind::Terminal) == 0)
        return 0;
    return firstNotMinimised ? firstNotMinimised : m_prefs.commCt;
}

int Workspace::newCommSlot()
{
    const int n = m_prefs.findNext(WindowKind::Terminal);
    if (n > kMaxTerminals)
        return 0;
    if (n > m_prefs.commCt)
        m_prefs.commCt = static_cast<int16_t>(n);
    m_prefs.ensureCommSlot(n);
    CommWindowSettings slot = fromTemplate(m_prefs.commSlots, n);
    slot.port = static_cast<int16_t>(n);
    // The port is slot n's own; Connected is the template's, so a new terminal connects when it says so.
    slot.portName.clear();
    if (slot.autoName)
        slot.name = QStringLiteral("Terminal %1").arg(n);
    m_prefs.commSlots[n] = slot;
    return n;
}

int Workspace::newEditSlot(const QString &name)
{
    const int n = m_prefs.findNext(WindowKind::Edit);
    if (n > m_prefs.docCt)
        m_prefs.docCt = static_cast<int16_t>(n);
    m_prefs.ensureEditSlot(n);
    EditSlot slot = fromTemplate(m_prefs.editSlots, n);
    slot.name = name;
    slot.modified = false;
    m_prefs.editSlots[n] = slot;
    return n;
}

void Workspace::releaseSlot(WindowKind kind, int slot)
{
    if (kind == WindowKind::Edit && slot > 0 && slot < static_cast<int>(m_prefs.editSlots.size()))
        m_prefs.editSlots[slot].state = kSlotFree;
    else if (kind == WindowKind::Terminal && slot > 0 && slot < static_cast<int>(m_prefs.commSlots.size()))
        m_prefs.commSlots[slot].state = kSlotFree;
}

} // namespace korvo
