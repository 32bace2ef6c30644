#include "prefsfile.h"

#include "settings/inihelpers.h"
#include "settings/prefkeys.h"
#include "settings/prefsmap.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <charconv>

namespace korvo {

namespace {

QString textOr(std::optional<QStringView> value, const QString &defaultValue)
{
    return value ? value->toString() : defaultValue;
}

// Fills fields from one section; a missing key gives the field its default.
class FieldReader
{
public:
    explicit FieldReader(const IniFile &ini) : m_ini(ini) {}

    void section(const QString &name) { m_section = m_ini.sectionNumber(name); }
    qsizetype section() const { return m_section; }
    void int16(const char *key, int16_t &field, int16_t defaultValue)
    {
        field = iniToInt(get(key), defaultValue);
    }
    void int32(const char *key, int32_t &field, int32_t defaultValue)
    {
        field = iniToLong(get(key), defaultValue);
    }
    void int16(const char *key, int16_t &field, int16_t defaultValue, ValueRange range)
    {
        int16(key, field, defaultValue);
        field = static_cast<int16_t>(std::clamp<int>(field, range.lowest, range.highest));
    }
    void int32(const char *key, int32_t &field, int32_t defaultValue, ValueRange range)
    {
        int32(key, field, defaultValue);
        field = std::clamp<int32_t>(field, range.lowest, range.highest);
    }
    // A size that is none (0, negative, NaN) takes the default, as the Preferences dialog's font box does.
    void single(const char *key, float &field, float defaultValue, ValueRange range)
    {
        single(key, field, defaultValue);
        field = field > 0 ? std::clamp(field, float(range.lowest), float(range.highest)) : defaultValue;
    }
    // Any number is kept, so that a type this program does not know is written back unchanged.
    void deviceType(const char *key, DeviceType &field, DeviceType defaultValue)
    {
        field = DeviceType(iniToInt(get(key), defaultValue));
    }
    void boolean(const char *key, bool &field, bool defaultValue)
    {
        field = iniToBool(get(key), defaultValue);
    }
    void single(const char *key, float &field, float defaultValue)
    {
        field = iniToSingle(get(key), defaultValue);
    }
    void text(const char *key, QString &field, const QString &defaultValue)
    {
        field = textOr(get(key), defaultValue);
    }
    void optionalText(const char *key, QString &field) { text(key, field, QString()); }
    // Four hex digits; anything else is 0 (not set).
    void optionalHex16(const char *key, quint16 &field)
    {
        bool ok = false;
        const uint value = get(key).value_or(QStringView()).trimmed().toUInt(&ok, 16);
        field = ok && value <= 0xFFFF ? static_cast<quint16>(value) : 0;
    }
    // A one-character text kept as its character code; an empty value (or one that starts with a NUL or
    // half a surrogate pair, which could not be written back) keeps the default.
    void character(const char *key, int16_t &field, char defaultValue)
    {
        const QStringView value = get(key).value_or(QStringView());
        const bool usable = !value.isEmpty() && !value.front().isNull() && !value.front().isSurrogate();
        field = usable ? static_cast<int16_t>(value.front().unicode()) : int16_t{defaultValue};
    }

private:
    std::optional<QStringView> get(const char *key) const
    {
        return m_ini.valueView(m_section, QLatin1StringView(key));
    }

    const IniFile &m_ini;
    qsizetype m_section = -1;
};

// Appends fields to one section in the order they are visited.
class FieldWriter
{
public:
    explicit FieldWriter(IniFile &ini) : m_ini(ini) {}

    void section(const QString &name) { m_section = m_ini.sectionFor(name); }
    qsizetype section() const { return m_section; }
    void int16(const char *key, const int16_t &field, int16_t) { number(key, field); }
    void int32(const char *key, const int32_t &field, int32_t) { number(key, field); }
    void int16(const char *key, const int16_t &field, int16_t, ValueRange) { number(key, field); }
    void int32(const char *key, const int32_t &field, int32_t, ValueRange) { number(key, field); }
    void single(const char *key, const float &field, float, ValueRange) { put(key, iniFromSingle(field)); }
    void deviceType(const char *key, const DeviceType &field, DeviceType) { number(key, field); }
    void boolean(const char *key, const bool &field, bool) { put(key, iniFromBool(field)); }
    void single(const char *key, const float &field, float) { put(key, iniFromSingle(field)); }
    void text(const char *key, const QString &field, const QString &) { put(key, field); }
    void optionalText(const char *key, const QString &field)
    {
        if (!field.isEmpty())
            put(key, field);
    }
    void optionalHex16(const char *key, const quint16 &field)
    {
        if (field != 0)
            put(key, QStringLiteral("%1").arg(field, 4, 16, QLatin1Char('0')));
    }
    void character(const char *key, const int16_t &field, char)
    {
        const auto c = static_cast<char16_t>(field);
        put(key, QStringView(&c, field != 0 ? 1 : 0));
    }

private:
    // Decimal, as QString::number writes it, without a string of its own.
    void number(const char *key, int32_t value)
    {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        put(key, QLatin1StringView(digits, end));
    }
    void put(const char *key, QAnyStringView value)
    {
        m_ini.addValue(m_section, QLatin1StringView(key), value);
    }

    IniFile &m_ini;
    qsizetype m_section = -1;
};

void readFunctionKeys(const IniFile &ini, qsizetype section, CommWindowSettings &slot)
{
    int groups = iniToInt(ini.valueView(section, prefkeys::fGroupCt()), -1);
    if (groups == -1) {
        // Files from before key groups existed hold ten groups exactly when their last key is set.
        groups = ini.valueView(section, prefkeys::funcKey(99)).value_or(QStringView()).isEmpty() ? 1 : 10;
    }
    groups = std::clamp(groups, 1, kMaxFuncGroups);
    slot.fGroupCt = static_cast<int16_t>(groups);
    slot.fGroup = static_cast<int16_t>(std::clamp<int>(slot.fGroup, 0, groups - 1));
    slot.groupNames.clear();
    for (int g = 0; g < groups; ++g)
        slot.groupNames.append(QStringLiteral("Group%1").arg(g + 1));
    slot.keys.assign(static_cast<std::size_t>(groups) * 10, FunctionKey{});
    if (!slot.fKeyEn)
        return;
    for (int k = 0; k < groups * 10; ++k) {
        if (k % 10 == 0)
            slot.groupNames[k / 10] =
                textOr(ini.valueView(section, prefkeys::groupName(k / 10)), slot.groupNames[k / 10]);
        slot.keys[static_cast<std::size_t>(k)] =
            splitFuncKey(ini.valueView(section, prefkeys::funcKey(k)).value_or(QStringView()));
    }
}

void writeFunctionKeys(IniFile &ini, qsizetype section, const CommWindowSettings &slot)
{
    ini.addValue(section, prefkeys::fGroupCt(), QString::number(slot.fGroupCt));
    if (!slot.fKeyEn)
        return;
    for (int k = 0; k < slot.fGroupCt * 10; ++k) {
        if (k % 10 == 0) {
            const QString name = slot.groupNames.value(k / 10);
            // An empty name is kept as a blank so that the key stays present and does not read back as
            // the default "Group"&n.
            if (name.isEmpty())
                ini.addValue(section, prefkeys::groupName(k / 10), u" ", true);
            else
                ini.addValue(section, prefkeys::groupName(k / 10), name);
        }
        const auto index = static_cast<std::size_t>(k);
        const FunctionKey key = index < slot.keys.size() ? slot.keys[index] : FunctionKey{};
        ini.addValue(section, prefkeys::funcKey(k), joinFuncKey(key));
    }
}

// Slot numbers as written: the template slot 0, then every open slot in order.
template <class Table> std::vector<int> writtenSlots(const Table &table, int count)
{
    std::vector<int> numbers{0};
    const int last = std::min(count, static_cast<int>(table.size()) - 1);
    for (int n = 1; n <= last; ++n) {
        if (table[static_cast<std::size_t>(n)].state >= 0)
            numbers.push_back(n);
    }
    return numbers;
}

int16_t countOf(qsizetype n)
{
    return static_cast<int16_t>(std::min<qsizetype>(n, std::numeric_limits<int16_t>::max()));
}

// Highest n of the [Pgm_n] sections present, 0 when there are none.
int lastEditSection(const IniFile &ini)
{
    const QString prefix = prefkeys::pgmSection(0).chopped(1);
    int last = 0;
    for (qsizetype s = 0; s < ini.sectionCount(); ++s) {
        const QStringView name = ini.sectionName(s);
        if (!name.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int n = name.mid(prefix.size()).toInt(&ok);
        if (ok && n > last && ini.hasSection(prefkeys::pgmSection(n)))
            last = n;
    }
    return last;
}

} // namespace

QString prefsPath(const QString &prefFile, const QString &startDir)
{
    if (QDir::isRelativePath(prefFile) && !startDir.isEmpty())
        return QDir(startDir).filePath(prefFile);
    return prefFile;
}

void readPrefs(const IniFile &ini, Preferences &state, bool factory)
{
    FieldReader r(ini);
    r.section(prefkeys::versionSection());
    r.text("Ver", state.iniVersion, QString());

    int16_t docCt = 0;
    int16_t commCt = 0;
    r.section(prefkeys::setupSection());
    prefsmap::setup(r, state.setup, docCt, commCt);

    state.styles[1] = DocStyle{};
    state.styles[2] = DocStyle{};
    r.section(prefkeys::txtDocumentSection());
    prefsmap::docStyle(r, state.styles[1], false);
    r.section(prefkeys::kxtDocumentSection());
    prefsmap::docStyle(r, state.styles[2], true);

    state.resetSlots();
    state.editSlots[0] = EditSlot{};
    state.commSlots[0] = CommWindowSettings{};
    docCt = static_cast<int16_t>(std::clamp<int>(docCt, 0, std::max(1, lastEditSection(ini))));
    for (int n = 0; n <= docCt; ++n) {
        state.ensureEditSlot(n);
        r.section(prefkeys::pgmSection(n));
        prefsmap::editSlot(r, state.editSlots[static_cast<std::size_t>(n)], n);
    }
    state.docCt = docCt;

    commCt = std::clamp<int16_t>(commCt, 0, kMaxTerminals);
    for (int n = 0; n <= commCt; ++n) {
        state.ensureCommSlot(n);
        CommWindowSettings &slot = state.commSlots[static_cast<std::size_t>(n)];
        r.section(prefkeys::commSection(n));
        prefsmap::commSlot(r, slot, n);
        readFunctionKeys(ini, r.section(), slot);
    }
    state.commCt = commCt;

    state.recentFiles.clear();
    int historyCt = state.setup.fileHistoryCt;
    if (state.setup.remFileHistory != 0)
        historyCt = std::min<int>(historyCt, state.setup.maxFileHistoryCt);
    historyCt = std::min(historyCt, kMaxRecentFiles);
    const qsizetype lastOpened = ini.sectionNumber(prefkeys::lastOpenedSection());
    for (int i = 0; i < historyCt; ++i)
        state.recentFiles.append(textOr(ini.valueView(lastOpened, prefkeys::recentFile(i)), QString()));
    state.setup.fileHistoryCt = countOf(state.recentFiles.size());

    r.section(prefkeys::canConfigSection());
    prefsmap::canWindow(r, state.canWindow);
    state.canTable[0] = CanRecord{};
    state.canTable[1] = CanRecord{};
    r.section(prefkeys::moduleSection());
    prefsmap::canRecord(r, state.canTable[0], true);
    r.section(prefkeys::dongleSection());
    prefsmap::canRecord(r, state.canTable[1], false);
    r.section(prefkeys::spiSection());
    prefsmap::spi(r, state.spi);
    r.section(prefkeys::browserSection());
    prefsmap::browser(r, state.browser);
    if (factory) {
        r.section(prefkeys::ramViewerSection());
        prefsmap::ramViewer(r, state.ramViewer);
    }
}

IniFile prefsImage(const Preferences &state, const QString &version, bool factory)
{
    const std::vector<int> edits = writtenSlots(state.editSlots, state.docCt);
    const std::vector<int> comms = writtenSlots(state.commSlots, state.commCt);

    // The sections are laid down first, so their order holds whatever order the keys are set in.
    IniFile ini;
    ini.addSection(prefkeys::versionSection());
    ini.addSection(prefkeys::setupSection());
    ini.addSection(prefkeys::txtDocumentSection());
    ini.addSection(prefkeys::kxtDocumentSection());
    for (std::size_t i = 0; i < edits.size(); ++i)
        ini.addSection(prefkeys::pgmSection(static_cast<int>(i)));
    for (std::size_t i = 0; i < comms.size(); ++i)
        ini.addSection(prefkeys::commSection(static_cast<int>(i)));
    ini.addSection(prefkeys::lastOpenedSection());
    ini.addSection(prefkeys::canConfigSection());
    ini.addSection(prefkeys::moduleSection());
    ini.addSection(prefkeys::dongleSection());
    ini.addSection(prefkeys::spiSection());
    ini.addSection(prefkeys::browserSection());

    FieldWriter w(ini);
    w.section(prefkeys::versionSection());
    w.text("Ver", version, QString());

    SetupRecord setup = state.setup;
    setup.fileHistoryCt = countOf(state.recentFiles.size());
    int16_t docCt = countOf(static_cast<qsizetype>(edits.size()) - 1);
    int16_t commCt = countOf(static_cast<qsizetype>(comms.size()) - 1);
    w.section(prefkeys::setupSection());
    prefsmap::setup(w, setup, docCt, commCt);

    w.section(prefkeys::txtDocumentSection());
    prefsmap::docStyle(w, state.styles[1], false);
    w.section(prefkeys::kxtDocumentSection());
    prefsmap::docStyle(w, state.styles[2], true);

    for (std::size_t i = 0; i < edits.size(); ++i) {
        w.section(prefkeys::pgmSection(static_cast<int>(i)));
        prefsmap::editSlot(w, state.editSlots[static_cast<std::size_t>(edits[i])], static_cast<int>(i));
    }
    for (std::size_t i = 0; i < comms.size(); ++i) {
        const CommWindowSettings &slot = state.commSlots[static_cast<std::size_t>(comms[i])];
        w.section(prefkeys::commSection(static_cast<int>(i)));
        prefsmap::commSlot(w, slot, static_cast<int>(i));
        writeFunctionKeys(ini, w.section(), slot);
    }

    if (state.setup.remFileHistory != 0) {
        const qsizetype lastOpened = ini.sectionFor(prefkeys::lastOpenedSection());
        for (qsizetype i = 0; i < setup.fileHistoryCt; ++i)
            ini.addValue(lastOpened, prefkeys::recentFile(static_cast<int>(i)), state.recentFiles.at(i));
    }

    w.section(prefkeys::canConfigSection());
    prefsmap::canWindow(w, state.canWindow);
    w.section(prefkeys::moduleSection());
    prefsmap::canRecord(w, state.canTable[0], true);
    w.section(prefkeys::dongleSection());
    prefsmap::canRecord(w, state.canTable[1], false);
    w.section(prefkeys::spiSection());
    prefsmap::spi(w, state.spi);
    w.section(prefkeys::browserSection());
    prefsmap::browser(w, state.browser);
    if (factory) {
        w.section(prefkeys::ramViewerSection());
        prefsmap::ramViewer(w, state.ramViewer);
    }
    return ini;
}

bool holdsPreferences(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    // A device or a FIFO is never read or replaced as the workspace.
    if (!info.isFile())
        return false;
    if (info.size() == 0)
        return true;
    // The sections a preferences file has, the numbered slots by the stem of their name ("Pgm_").
    const auto stem = [](QStringView name) {
        while (!name.isEmpty() && name.back().isDigit())
            name.chop(1);
        return name;
    };
    const IniFile known = prefsImage(Preferences(), QString(), true);
    const IniFile ini = IniFile::load(path);
    for (qsizetype i = 0; i < ini.sectionCount(); ++i) {
        for (qsizetype k = 0; k < known.sectionCount(); ++k) {
            if (stem(ini.sectionName(i)).compare(stem(known.sectionName(k)), Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

void readIniFile(const QString &path, Preferences &state, bool factory)
{
    readPrefs(IniFile::load(path), state, factory);
}

bool writeIniFile(const QString &path, const Preferences &state, const QString &version, bool factory,
                  QString *error)
{
    if (holdsPreferences(path))
        return replaceFile(path, prefsImage(state, version, factory).toBytes(), true, error);
    if (error)
        *error = QStringLiteral("%1 holds no preferences: it is left as it is.")
                     .arg(QDir::toNativeSeparators(path));
    return false;
}

} // namespace korvo
