#include "inifile.h"

#include "app/atomicfile.h"
#include "app/cp1252.h"
#include "app/texthelpers.h"
#include "app/wholefile.h"
#include "settings/foldedname.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <type_traits>

namespace korvo {

namespace {

// The first c in [begin, end), or end.
const char *find(const char *begin, const char *end, char c)
{
    const void *found = begin == end ? nullptr : std::memchr(begin, c, static_cast<std::size_t>(end - begin));
    return found ? static_cast<const char *>(found) : end;
}

// A byte range of the file being parsed.
struct Span
{
    const char *begin;
    const char *end;

    qsizetype size() const { return end - begin; }
    bool isEmpty() const { return begin == end; }
    Span trimmed() const
    {
        const char *b = begin;
        const char *e = end;
        while (b != e && (*b == ' ' || *b == '\t'))
            ++b;
        while (b != e && (e[-1] == ' ' || e[-1] == '\t'))
            --e;
        return Span{b, e};
    }
};

// A key belongs to one section: the same key in another section is another entry.
std::size_t entryHash(qsizetype section, std::size_t keyHash)
{
    std::size_t h = keyHash ^ (static_cast<std::size_t>(section) * 0x9e3779b97f4a7c15u);
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93u;
    h ^= h >> 32;
    return h;
}

// Calls f with the name as QStringView or QLatin1StringView (the program's own key names, looked up without
// a copy); UTF-8 text is converted first.
template <typename F> decltype(auto) withName(QAnyStringView name, const F &f)
{
    return name.visit([&f](auto view) {
        if constexpr (std::is_same_v<decltype(view), QLatin1StringView> ||
                      std::is_same_v<decltype(view), QStringView>)
            return f(view);
        else
            return f(QStringView(view.toString()));
    });
}

// Decodes a name or value of a UTF-8 file into the text buffer. Only the start of an overlong text is
// decoded: a 100 MB line costs no 200 MB string.
void appendUtf8(QString &out, Span s)
{
    const qsizetype size = std::min(s.size(), IniFile::kMaxValueLength * 4);
    // A byte-order mark inside the file is text like any other: dropping it could turn "\uFEFF[x=1" into a
    // section header once written back.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString decoded = decoder.decode(QByteArrayView(s.begin, size));
    if (decoded.size() > IniFile::kMaxValueLength) {
        decoded.truncate(IniFile::kMaxValueLength);
        // Never end on half of a surrogate pair.
        if (decoded.back().isHighSurrogate())
            decoded.chop(1);
    }
    out.append(decoded);
}

bool isLineBreak(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

// A blank, tab or line break; anything above a blank is none of them.
bool isSpaceOrBreak(char16_t c)
{
    return c <= u' ' && (c == u' ' || c == u'\t' || isLineBreak(c));
}

// Copies n characters to out and returns the end of the copy.
char16_t *copied(char16_t *out, const char16_t *from, qsizetype n)
{
    if (n > 0)
        std::memcpy(out, from, sizeof(char16_t) * static_cast<std::size_t>(n));
    return out + n;
}

// Quotes keep blanks at either end of a value, which the reader would otherwise drop. Line breaks cannot
// be stored in a line-based file and become blanks; lineBreaks says whether the value may hold one.
char16_t *writtenValue(char16_t *out, const char16_t *value, qsizetype n, bool lineBreaks)
{
    const bool edgeBlank = n > 0 && (isSpaceOrBreak(value[0]) || isSpaceOrBreak(value[n - 1]));
    const bool quoted = n >= 2 && value[0] == u'"' && value[n - 1] == u'"';
    const bool wrap = edgeBlank || quoted;
    if (wrap)
        *out++ = u'"';
    char16_t *const start = out;
    out = copied(out, value, n);
    if (lineBreaks)
        std::replace_if(start, out, isLineBreak, u' ');
    if (wrap)
        *out++ = u'"';
    return out;
}

} // namespace

IniFile IniFile::fromBytes(const QByteArray &bytes)
{
    IniFile ini;
    const bool utf8File = looksLikeUtf8(bytes);
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    if (utf8File && bytes.startsWith("\xEF\xBB\xBF"))
        p += 3;
    // A Windows-1252 file is decoded whole, one character per byte, so that a name or value is the same
    // stretch of the text as of the bytes; UTF-8 is decoded name by name and value by value. In a
    // Windows-1252 file a line that is UTF-8 (one whose text has no Windows-1252 bytes) is decoded that way.
    if (utf8File)
        ini.m_text.reserve(bytes.size());
    else
        appendCp1252Text(ini.m_text, bytes);
    ini.m_fileText = ini.m_text.size();
    bool utf8 = utf8File; // the line being read
    const auto textOf = [&](Span s) {
        if (!utf8)
            return Text{s.begin - bytes.constData(), std::min(s.size(), kMaxValueLength)};
        const qsizetype pos = ini.m_text.size();
        appendUtf8(ini.m_text, s);
        return Text{pos, ini.m_text.size() - pos};
    };
    // Text decoded for a name already known goes again; the file's own text stays.
    const auto drop = [&](Text t) {
        if (utf8)
            ini.m_text.truncate(t.pos);
    };
    // Nearly every line is an entry of about 12 bytes.
    const auto entries = static_cast<std::size_t>(std::min<qsizetype>(bytes.size() / 12, 100000));
    ini.m_entries.reserve(entries);
    ini.m_entryHashes.reserve(entries);

    qsizetype current = -1;
    // The first LF from p on, searched again only once p is past it, so that a file with CR line ends
    // is not searched to its end for every line.
    const char *nextLf = nullptr;
    while (p < end) {
        if (nextLf < p)
            nextLf = find(p, end, '\n');
        const char *lineEnd = find(p, nextLf, '\r');
        const Span line = Span{p, lineEnd}.trimmed();
        p = lineEnd;
        if (p < end && *p == '\r')
            ++p;
        if (p < end && *p == '\n')
            ++p;

        if (line.isEmpty() || *line.begin == ';')
            continue;
        if (!utf8File)
            utf8 = looksLikeUtf8(QByteArrayView(line.begin, line.size()));
        if (*line.begin == '[') {
            const char *close = find(line.begin + 1, line.end, ']');
            // A broken header ends the current section, so that what follows cannot spoil it.
            current = -1;
            if (close == line.end)
                continue;
            const Text name = textOf(Span{line.begin + 1, close}.trimmed());
            if (name.size == 0)
                continue;
            const std::size_t hash = foldedNameHash(ini.text(name));
            current = ini.findSection(ini.text(name), hash);
            if (current >= 0)
                drop(name);
            else
                current = ini.addSection(name, hash);
            continue;
        }
        const char *equals = find(line.begin, line.end, '=');
        if (current < 0 || equals == line.end)
            continue;
        const Text key = textOf(Span{line.begin, equals}.trimmed());
        if (key.size == 0)
            continue;
        const std::size_t hash = entryHash(current, foldedNameHash(ini.text(key)));
        if (ini.findEntry(current, ini.text(key), hash) >= 0) {
            drop(key);
            continue;
        }
        Span value = Span{equals + 1, line.end}.trimmed();
        if (value.size() >= 2 && *value.begin == '"' && *(value.end - 1) == '"')
            value = Span{value.begin + 1, value.end - 1};
        ini.addEntry(current, key, textOf(value), false, hash);
    }
    return ini;
}

IniFile IniFile::load(const QString &path, QString *error)
{
    QByteArray bytes;
    if (!readWholeFile(path, FileKind::Preferences, &bytes, error))
        return {};
    return fromBytes(bytes);
}

// Every name and value has its own stretch of m_text, so the file is at most m_text plus the brackets,
// '=', quotes and line ends of each line.
QString IniFile::fileText() const
{
    QString out(m_text.size() + 8 * static_cast<qsizetype>(m_entries.size() + m_sections.size()),
                Qt::Uninitialized);
    char16_t *const begin = reinterpret_cast<char16_t *>(out.data());
    // Values read from a file never hold a line break (lines end there), so only the text added since, and
    // values set in the place of others, need a look.
    const QStringView added = QStringView(m_text).sliced(m_fileText);
    const bool lineBreaks = m_lineBreaks || added.contains(QChar(u'\r')) || added.contains(QChar(u'\n'));
    const auto *const text = reinterpret_cast<const char16_t *>(m_text.constData());
    char16_t *w = begin;
    for (std::size_t i = 0; i < m_sections.size(); ++i) {
        const Section &section = m_sections[i];
        if (i > 0) {
            *w++ = u'\r';
            *w++ = u'\n';
        }
        *w++ = u'[';
        w = copied(w, text + section.name.pos, section.name.size);
        *w++ = u']';
        *w++ = u'\r';
        *w++ = u'\n';
        for (qsizetype e = section.first; e >= 0;) {
            const Entry &entry = m_entries[static_cast<std::size_t>(e)];
            w = copied(w, text + entry.key.pos, entry.key.size);
            *w++ = u'=';
            w = entry.verbatim ? copied(w, text + entry.value.pos, entry.value.size)
                               : writtenValue(w, text + entry.value.pos, entry.value.size, lineBreaks);
            *w++ = u'\r';
            *w++ = u'\n';
            e = entry.next;
        }
    }
    out.truncate(w - begin);
    return out;
}

QByteArray IniFile::toBytes() const
{
    // Windows-1252 keeps files exchangeable with Windows workstations. A line with a character outside it
    // (a path in another script) is written as UTF-8, which the reader tells apart line by line: only that
    // line is unreadable on Windows, the rest of the file (function keys with their character 149) is
    // not. A line whose Windows-1252 bytes happen to form UTF-8 ("Ã©") is written as UTF-8 too, or the
    // reader would take it for UTF-8 and change it.
    const QString text = fileText();
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype lineEnd = text.indexOf(u'\n', from);
        const qsizetype next = lineEnd < 0 ? text.size() : lineEnd + 1;
        const QStringView line = QStringView(text).sliced(from, next - from);
        if (const std::optional<QByteArray> bytes = encodeCp1252(line); bytes && !looksLikeUtf8(*bytes))
            out += *bytes;
        else
            out += line.toUtf8();
        from = next;
    }
    return out;
}

bool IniFile::save(const QString &path) const
{
    return replaceFile(path, toBytes());
}

std::optional<QString> IniFile::value(QAnyStringView section, QAnyStringView key) const
{
    const std::optional<QStringView> found = valueView(section, key);
    if (!found)
        return std::nullopt;
    return found->toString();
}

std::optional<QStringView> IniFile::valueView(QAnyStringView section, QAnyStringView key) const
{
    return valueView(sectionNumber(section), key);
}

std::optional<QStringView> IniFile::valueView(qsizetype section, QAnyStringView key) const
{
    if (section < 0)
        return std::nullopt;
    // Keys are mostly read in the order the file holds them: the entry after the one found last is
    // compared first, without hashing.
    const qsizetype guess = m_lastFound < 0 ? -1 : m_entries[static_cast<std::size_t>(m_lastFound)].next;
    const qsizetype e = withName(key, [&](auto name) {
        if (guess >= 0 && m_entries[static_cast<std::size_t>(guess)].section == section &&
            sameFoldedName(text(m_entries[static_cast<std::size_t>(guess)].key), name))
            return guess;
        return findEntry(section, name, entryHash(section, foldedNameHash(name)));
    });
    if (e < 0)
        return std::nullopt;
    m_lastFound = e;
    return text(m_entries[static_cast<std::size_t>(e)].value);
}

bool IniFile::hasSection(QAnyStringView section) const
{
    return sectionNumber(section) >= 0;
}

IniFile::Text IniFile::append(QAnyStringView s)
{
    const qsizetype pos = m_text.size();
    withName(s, [this](auto view) { m_text.append(view); });
    return Text{pos, m_text.size() - pos};
}

void IniFile::put(qsizetype section, QAnyStringView key, QAnyStringView value, bool verbatim)
{
    Q_ASSERT(section >= 0 && section < sectionCount());
    std::size_t hash = 0;
    const qsizetype e = withName(key, [&](auto name) {
        hash = entryHash(section, foldedNameHash(name));
        return findEntry(section, name, hash);
    });
    if (e < 0) {
        const Text keyText = append(key);
        addEntry(section, keyText, append(value), verbatim, hash);
        return;
    }
    Entry &entry = m_entries[static_cast<std::size_t>(e)];
    entry.verbatim = verbatim;
    // A value that fits takes the place of the old one; a longer one stays at the end of the text.
    const Text added = append(value);
    if (added.size <= entry.value.size) {
        const QStringView moved = text(added);
        m_lineBreaks = m_lineBreaks || moved.contains(QChar(u'\r')) || moved.contains(QChar(u'\n'));
        std::memmove(m_text.data() + entry.value.pos, m_text.constData() + added.pos,
                     sizeof(QChar) * static_cast<std::size_t>(added.size));
        m_text.truncate(added.pos);
        entry.value.size = added.size;
    } else {
        entry.value = added;
    }
}

void IniFile::setValue(QAnyStringView section, QAnyStringView key, QAnyStringView value)
{
    put(sectionFor(section), key, value, false);
}

void IniFile::setVerbatim(QAnyStringView section, QAnyStringView key, QAnyStringView text)
{
    put(sectionFor(section), key, text, true);
}

void IniFile::addValue(qsizetype section, QAnyStringView key, QAnyStringView value, bool verbatim)
{
    Q_ASSERT(section >= 0 && section < sectionCount());
    const Text keyText = append(key);
    addEntry(section, keyText, append(value), verbatim, std::nullopt);
}

void IniFile::setValue(qsizetype section, QAnyStringView key, QAnyStringView value)
{
    put(section, key, value, false);
}

void IniFile::setVerbatim(qsizetype section, QAnyStringView key, QAnyStringView text)
{
    put(section, key, text, true);
}

QStringView IniFile::sectionName(qsizetype section) const
{
    return text(m_sections[static_cast<std::size_t>(section)].name);
}

QStringList IniFile::sectionNames() const
{
    QStringList names;
    names.reserve(sectionCount());
    for (const Section &s : m_sections)
        names.append(text(s.name).toString());
    return names;
}

QStringList IniFile::keys(QAnyStringView section) const
{
    QStringList names;
    const qsizetype s = sectionNumber(section);
    if (s < 0)
        return names;
    for (qsizetype e = m_sections[static_cast<std::size_t>(s)].first; e >= 0;
         e = m_entries[static_cast<std::size_t>(e)].next)
        names.append(text(m_entries[static_cast<std::size_t>(e)].key).toString());
    return names;
}

template <typename Name> qsizetype IniFile::findSection(Name name, std::size_t hash) const
{
    return m_sectionIndex.find(hash, [&](qsizetype s) {
        const Section &section = m_sections[static_cast<std::size_t>(s)];
        return section.hash == hash && sameFoldedName(text(section.name), name);
    });
}

qsizetype IniFile::sectionNumber(QAnyStringView section) const
{
    return withName(section, [this](auto name) { return findSection(name, foldedNameHash(name)); });
}

qsizetype IniFile::sectionFor(QAnyStringView section)
{
    const std::size_t hash = withName(section, [](auto name) { return foldedNameHash(name); });
    const qsizetype found = withName(section, [&](auto name) { return findSection(name, hash); });
    return found >= 0 ? found : addSection(append(section), hash);
}

qsizetype IniFile::addSection(Text name, std::size_t hash)
{
    m_sections.push_back(Section{name, -1, -1, hash});
    m_sectionIndex.add(hash, [this](qsizetype s) { return m_sections[static_cast<std::size_t>(s)].hash; });
    return sectionCount() - 1;
}

template <typename Name> qsizetype IniFile::findEntry(qsizetype section, Name key, std::size_t hash) const
{
    indexEntries();
    return findIndexed(section, key, hash);
}

template <typename Name> qsizetype IniFile::findIndexed(qsizetype section, Name key, std::size_t hash) const
{
    return m_entryIndex.find(hash, [&](qsizetype e) {
        const Entry &entry = m_entries[static_cast<std::size_t>(e)];
        return m_entryHashes[static_cast<std::size_t>(e)] == hash && entry.section == section &&
               sameFoldedName(text(entry.key), key);
    });
}

void IniFile::indexEntries() const
{
    const auto hashOf = [this](qsizetype e) { return m_entryHashes[static_cast<std::size_t>(e)]; };
    for (std::size_t e = m_entryHashes.size(); e < m_entries.size(); ++e) {
        const Entry &entry = m_entries[e];
        const QStringView key = text(entry.key);
        const std::size_t hash = entryHash(entry.section, foldedNameHash(key));
        Q_ASSERT(findIndexed(entry.section, key, hash) < 0);
        m_entryHashes.push_back(hash);
        m_entryIndex.add(hash, hashOf);
    }
}

void IniFile::addEntry(qsizetype section, Text key, Text value, bool verbatim,
                       std::optional<std::size_t> hash)
{
    const auto e = static_cast<qsizetype>(m_entries.size());
    m_entries.push_back(Entry{key, value, section, -1, verbatim});
    Section &s = m_sections[static_cast<std::size_t>(section)];
    if (s.last >= 0)
        m_entries[static_cast<std::size_t>(s.last)].next = e;
    else
        s.first = e;
    s.last = e;
    if (hash && m_entryHashes.size() + 1 == m_entries.size()) {
        m_entryHashes.push_back(*hash);
        m_entryIndex.add(*hash, [this](qsizetype i) { return m_entryHashes[static_cast<std::size_t>(i)]; });
    }
}

bool replaceFile(const QString &path, const QByteArray &bytes, bool keepBackup, QString *error)
{
    AtomicFile file(path);
    if (keepBackup)
        file.setBackupPath(backupFileName(path));
    const bool written = file.write(bytes);
    if (!written && error)
        *error = file.errorString();
    return written;
}

} // namespace korvo
