#include "inifile.h"

#include "app/atomicfile.h"
#include "app/cp1252.h"
#include "app/texthelpers.h"

#include <QFile>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <cstring>
#include <type_traits>

namespace korvo {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
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
        Span s = *this;
        while (!s.isEmpty() && isBlank(*s.begin))
            ++s.begin;
        while (!s.isEmpty() && isBlank(*(s.end - 1)))
            --s.end;
        return s;
    }
};

// A name is looked up by its case folding. Nearly all names are ASCII, where folding is lower-casing and
// needs no copy; only a name with another character is folded whole.
char16_t lowerAscii(char16_t c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

std::size_t lowerHash(QStringView name)
{
    std::size_t h = 0xcbf29ce484222325u;
    for (const QChar c : name)
        h = (h ^ lowerAscii(c.unicode())) * 0x100000001b3u;
    return h;
}

std::size_t nameHash(QStringView name)
{
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return lowerHash(name.toString().toCaseFolded());
    }
    return lowerHash(name);
}

// The names fold to the same text. Up to their first non-ASCII character both fold letter by letter, so a
// difference there, or a different length when there is none, decides.
bool sameName(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t ca = a[i].unicode();
        const char16_t cb = b[i].unicode();
        if (ca >= 0x80 || cb >= 0x80)
            return a.toString().toCaseFolded() == b.toString().toCaseFolded();
        if (lowerAscii(ca) != lowerAscii(cb))
            return false;
    }
    if (a.size() == b.size())
        return true;
    const QStringView rest = a.size() > b.size() ? a.sliced(common) : b.sliced(common);
    if (std::all_of(rest.begin(), rest.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return false;
    return a.toString().toCaseFolded() == b.toString().toCaseFolded();
}

// A key belongs to one section: the same key in another section is another entry.
std::size_t entryHash(qsizetype section, std::size_t keyHash)
{
    std::size_t h = keyHash ^ (static_cast<std::size_t>(section) * 0x9e3779b97f4a7c15u);
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93u;
    h ^= h >> 32;
    return h;
}

// Text as UTF-16: the view itself when it is, else a copy in buffer.
using Utf16Buffer = QVarLengthArray<char16_t, 128>;
QStringView utf16(QAnyStringView s, Utf16Buffer &buffer)
{
    return s.visit([&buffer](auto v) -> QStringView {
        if constexpr (std::is_same_v<decltype(v), QStringView>) {
            return v;
        } else if constexpr (std::is_same_v<decltype(v), QLatin1StringView>) {
            buffer.resize(v.size());
            std::copy(v.begin(), v.end(), buffer.begin());
            return QStringView(buffer.data(), buffer.size());
        } else {
            QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            buffer.resize(decoder.requiredSpace(v.size()));
            const QChar *end = decoder.appendToBuffer(reinterpret_cast<QChar *>(buffer.data()),
                                                      QByteArrayView(v.data(), v.size()));
            return QStringView(buffer.data(), end - reinterpret_cast<QChar *>(buffer.data()));
        }
    });
}

// Decodes names and values of the file into the text buffer.
class Decoder
{
public:
    explicit Decoder(bool utf8) : m_utf8(utf8) {}

    // Only the start of an overlong text is decoded: a 100 MB line costs no 200 MB string.
    void append(QString &out, Span s) const
    {
        if (!m_utf8) {
            const qsizetype size = std::min(s.size(), IniFile::kMaxValueLength);
            const qsizetype pos = out.size();
            out.resize(pos + size);
            decodeCp1252(s.begin, size, out.data() + pos);
            return;
        }
        const qsizetype size = std::min(s.size(), IniFile::kMaxValueLength * 4);
        QString decoded = utf8(s.begin, size);
        if (decoded.size() > IniFile::kMaxValueLength) {
            decoded.truncate(IniFile::kMaxValueLength);
            // Never end on half of a surrogate pair.
            if (decoded.back().isHighSurrogate())
                decoded.chop(1);
        }
        out.append(decoded);
    }

private:
    // A byte-order mark inside the file is text like any other: dropping it could turn "\uFEFF[x=1" into a
    // section header once written back.
    static QString utf8(const char *data, qsizetype size)
    {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return decoder.decode(QByteArrayView(data, size));
    }

    bool m_utf8;
};

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// Where the file is written to: its Windows-1252 bytes, or its text when some character has no such byte.
struct Cp1252Out
{
    QByteArray bytes;
    bool append(QStringView s) { return appendCp1252(bytes, s); }
};

struct TextOut
{
    QString text;
    bool append(QStringView s)
    {
        text.append(s);
        return true;
    }
};

// Quotes keep blanks at either end of a value, which the reader would otherwise drop. Line breaks cannot
// be stored in a line-based file and become blanks.
template <typename Out> bool writeValue(Out &out, QStringView value)
{
    static constexpr char16_t kQuote = u'"';
    static constexpr char16_t kBlank = u' ';
    const bool edgeBlank = !value.isEmpty() && (isSpace(value.front()) || isLineBreak(value.front()) ||
                                                isSpace(value.back()) || isLineBreak(value.back()));
    const bool quoted = value.size() >= 2 && value.front() == kQuote && value.back() == kQuote;
    const bool wrap = edgeBlank || quoted;
    if (wrap && !out.append(QStringView(&kQuote, 1)))
        return false;
    while (!value.isEmpty()) {
        const auto lineBreak = std::find_if(value.begin(), value.end(), isLineBreak);
        const qsizetype run = lineBreak - value.begin();
        if (!out.append(value.first(run)))
            return false;
        if (run == value.size())
            break;
        if (!out.append(QStringView(&kBlank, 1)))
            return false;
        value = value.sliced(run + 1);
    }
    return !wrap || out.append(QStringView(&kQuote, 1));
}

} // namespace

IniFile IniFile::fromBytes(const QByteArray &bytes)
{
    IniFile ini;
    const bool utf8 = looksLikeUtf8(bytes);
    const Decoder decoder(utf8);
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    if (utf8 && bytes.startsWith("\xEF\xBB\xBF"))
        p += 3;
    // Decoded text is never longer than its bytes, and nearly every line is an entry of about 12 bytes.
    ini.m_text.reserve(bytes.size());
    ini.m_entries.reserve(static_cast<std::size_t>(std::min<qsizetype>(bytes.size() / 12, 100000)));

    qsizetype current = -1;
    while (p < end) {
        const char *lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r')
            ++lineEnd;
        const Span line = Span{p, lineEnd}.trimmed();
        p = lineEnd;
        if (p < end && *p == '\r')
            ++p;
        if (p < end && *p == '\n')
            ++p;

        if (line.isEmpty() || *line.begin == ';')
            continue;
        const qsizetype mark = ini.m_text.size();
        if (*line.begin == '[') {
            const char *close = std::find(line.begin + 1, line.end, ']');
            // A broken header ends the current section, so that what follows cannot spoil it.
            current = -1;
            if (close == line.end)
                continue;
            decoder.append(ini.m_text, Span{line.begin + 1, close}.trimmed());
            const QStringView name = QStringView(ini.m_text).sliced(mark);
            if (name.isEmpty())
                continue;
            const std::size_t hash = nameHash(name);
            current = ini.findSection(name, hash);
            if (current >= 0) {
                ini.m_text.truncate(mark);
                continue;
            }
            current = static_cast<qsizetype>(ini.m_sections.size());
            ini.m_sections.push_back(Section{Text{mark, name.size()}, -1, -1, hash});
            ini.m_sectionIndex.add(hash, [&ini](qsizetype s) { return ini.m_sections[s].hash; });
            continue;
        }
        const char *equals = std::find(line.begin, line.end, '=');
        if (current < 0 || equals == line.end)
            continue;
        decoder.append(ini.m_text, Span{line.begin, equals}.trimmed());
        const Text key{mark, ini.m_text.size() - mark};
        if (key.size == 0)
            continue;
        const std::size_t hash = entryHash(current, nameHash(ini.text(key)));
        if (ini.findEntry(current, ini.text(key), hash) >= 0) {
            ini.m_text.truncate(mark);
            continue;
        }
        Span value = Span{equals + 1, line.end}.trimmed();
        if (value.size() >= 2 && *value.begin == '"' && *(value.end - 1) == '"')
            value = Span{value.begin + 1, value.end - 1};
        const qsizetype valuePos = ini.m_text.size();
        decoder.append(ini.m_text, value);
        ini.addEntry(current, key, hash, Text{valuePos, ini.m_text.size() - valuePos}, false);
    }
    return ini;
}

IniFile IniFile::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return fromBytes(file.readAll());
}

template <typename Out> bool IniFile::write(Out &out) const
{
    static constexpr char16_t kOpen = u'[';
    static constexpr char16_t kClose = u']';
    static constexpr char16_t kEquals = u'=';
    static constexpr char16_t kLineEnd[] = u"\r\n";
    const QStringView lineEnd(kLineEnd, 2);
    for (std::size_t i = 0; i < m_sections.size(); ++i) {
        const Section &section = m_sections[i];
        if ((i > 0 && !out.append(lineEnd)) || !out.append(QStringView(&kOpen, 1)) ||
            !out.append(text(section.name)) || !out.append(QStringView(&kClose, 1)) || !out.append(lineEnd))
            return false;
        for (qsizetype e = section.first; e >= 0; e = m_entries[static_cast<std::size_t>(e)].next) {
            const Entry &entry = m_entries[static_cast<std::size_t>(e)];
            if (!out.append(text(entry.key)) || !out.append(QStringView(&kEquals, 1)))
                return false;
            if (!(entry.verbatim ? out.append(text(entry.value)) : writeValue(out, text(entry.value))))
                return false;
            if (!out.append(lineEnd))
                return false;
        }
    }
    return true;
}

QByteArray IniFile::toBytes() const
{
    // Windows-1252 keeps files exchangeable with Windows workstations; a character outside it (a path in
    // another script) would be lost there, so such a file is written as UTF-8, which the reader accepts.
    // Text whose Windows-1252 bytes happen to form UTF-8 ("Ã©") is written as UTF-8 too, or the reader would
    // take it for UTF-8 and change it.
    Cp1252Out bytes;
    bytes.bytes.reserve(m_text.size() + 8 * static_cast<qsizetype>(m_entries.size() + m_sections.size()));
    if (write(bytes) && !looksLikeUtf8(bytes.bytes))
        return bytes.bytes;
    TextOut text;
    text.text.reserve(bytes.bytes.capacity());
    write(text);
    return text.text.toUtf8();
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
    const qsizetype s = findSection(section);
    if (s < 0)
        return std::nullopt;
    Utf16Buffer buffer;
    const QStringView name = utf16(key, buffer);
    const qsizetype e = findEntry(s, name, entryHash(s, nameHash(name)));
    if (e < 0)
        return std::nullopt;
    return text(m_entries[static_cast<std::size_t>(e)].value);
}

bool IniFile::hasSection(QAnyStringView section) const
{
    return findSection(section) >= 0;
}

IniFile::Text IniFile::append(QStringView s)
{
    const Text t{m_text.size(), s.size()};
    m_text.append(s);
    return t;
}

void IniFile::put(QAnyStringView section, QAnyStringView key, QAnyStringView value, bool verbatim)
{
    Utf16Buffer sectionBuffer;
    Utf16Buffer keyBuffer;
    Utf16Buffer valueBuffer;
    const qsizetype s = sectionFor(utf16(section, sectionBuffer));
    const QStringView name = utf16(key, keyBuffer);
    const QStringView newValue = utf16(value, valueBuffer);
    const std::size_t hash = entryHash(s, nameHash(name));
    const qsizetype e = findEntry(s, name, hash);
    if (e < 0) {
        const Text keyText = append(name);
        addEntry(s, keyText, hash, append(newValue), verbatim);
        return;
    }
    Entry &entry = m_entries[static_cast<std::size_t>(e)];
    entry.verbatim = verbatim;
    // A value that fits takes the place of the old one; a longer one goes to the end of the text.
    if (newValue.size() <= entry.value.size) {
        std::memmove(m_text.data() + entry.value.pos, newValue.data(), sizeof(QChar) * newValue.size());
        entry.value.size = newValue.size();
    } else {
        entry.value = append(newValue);
    }
}

void IniFile::setValue(QAnyStringView section, QAnyStringView key, QAnyStringView value)
{
    put(section, key, value, false);
}

void IniFile::setVerbatim(QAnyStringView section, QAnyStringView key, QAnyStringView text)
{
    put(section, key, text, true);
}

void IniFile::addSection(QAnyStringView section)
{
    Utf16Buffer buffer;
    sectionFor(utf16(section, buffer));
}

QStringList IniFile::sectionNames() const
{
    QStringList names;
    names.reserve(static_cast<qsizetype>(m_sections.size()));
    for (const Section &s : m_sections)
        names.append(text(s.name).toString());
    return names;
}

QStringList IniFile::keys(QAnyStringView section) const
{
    QStringList names;
    const qsizetype s = findSection(section);
    if (s < 0)
        return names;
    for (qsizetype e = m_sections[static_cast<std::size_t>(s)].first; e >= 0;
         e = m_entries[static_cast<std::size_t>(e)].next)
        names.append(text(m_entries[static_cast<std::size_t>(e)].key).toString());
    return names;
}

qsizetype IniFile::findSection(QStringView name, std::size_t hash) const
{
    return m_sectionIndex.find(hash, [&](qsizetype s) {
        const Section &section = m_sections[static_cast<std::size_t>(s)];
        return section.hash == hash && sameName(text(section.name), name);
    });
}

qsizetype IniFile::findSection(QAnyStringView name) const
{
    Utf16Buffer buffer;
    const QStringView view = utf16(name, buffer);
    return findSection(view, nameHash(view));
}

qsizetype IniFile::sectionFor(QStringView name)
{
    const std::size_t hash = nameHash(name);
    const qsizetype found = findSection(name, hash);
    if (found >= 0)
        return found;
    m_sections.push_back(Section{append(name), -1, -1, hash});
    m_sectionIndex.add(hash, [this](qsizetype s) { return m_sections[static_cast<std::size_t>(s)].hash; });
    return static_cast<qsizetype>(m_sections.size()) - 1;
}

qsizetype IniFile::findEntry(qsizetype section, QStringView key, std::size_t hash) const
{
    return m_entryIndex.find(hash, [&](qsizetype e) {
        const Entry &entry = m_entries[static_cast<std::size_t>(e)];
        return entry.hash == hash && entry.section == section && sameName(text(entry.key), key);
    });
}

void IniFile::addEntry(qsizetype section, Text key, std::size_t hash, Text value, bool verbatim)
{
    const auto e = static_cast<qsizetype>(m_entries.size());
    m_entries.push_back(Entry{key, value, section, -1, hash, verbatim});
    Section &s = m_sections[static_cast<std::size_t>(section)];
    if (s.last >= 0)
        m_entries[static_cast<std::size_t>(s.last)].next = e;
    else
        s.first = e;
    s.last = e;
    m_entryIndex.add(hash, [this](qsizetype i) { return m_entries[static_cast<std::size_t>(i)].hash; });
}

bool replaceFile(const QString &path, const QByteArray &bytes, bool keepBackup)
{
    AtomicFile file(path);
    if (keepBackup)
        file.setBackupPath(backupFileName(path));
    return file.write(bytes);
}

} // namespace korvo
