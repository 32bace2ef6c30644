#include "inifile.h"

#include "app/atomicfile.h"
#include "app/cp1252.h"
#include "app/texthelpers.h"

#include <QFile>
#include <QStringDecoder>

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

class Decoder
{
public:
    explicit Decoder(bool utf8) : m_utf8(utf8) {}

    // Only the start of an overlong text is decoded: a 100 MB line costs no 200 MB string.
    QString text(Span s) const
    {
        const qsizetype maxBytes = IniFile::kMaxValueLength * (m_utf8 ? 4 : 1);
        const qsizetype size = std::min(s.size(), maxBytes);
        QString decoded = m_utf8 ? utf8(s.begin, size) : decodeCp1252(s.begin, size);
        if (decoded.size() > IniFile::kMaxValueLength) {
            decoded.truncate(IniFile::kMaxValueLength);
            // Never end on half of a surrogate pair.
            if (decoded.back().isHighSurrogate())
                decoded.chop(1);
        }
        return decoded;
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

// Names are nearly always ASCII, where folding is a plain lower-casing that needs no Unicode tables. The
// result goes into out, whose buffer is reused when it is large enough.
template <typename Name> void foldInto(QString &out, const Name &name)
{
    out.resize(name.size());
    QChar *dst = out.data();
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c >= 0x80) {
            out = QString(name).toCaseFolded();
            return;
        }
        dst[i] = QChar(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
}

QString folded(const QString &name)
{
    QString out;
    foldInto(out, name);
    return out;
}

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Quotes keep blanks at either end of a value, which the reader would otherwise drop. Line breaks cannot
// be stored in a line-based file and become blanks.
QString writtenValue(QString value)
{
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')))
        value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (value.isEmpty())
        return value;
    const bool edgeBlank = isSpace(value.front()) || isSpace(value.back());
    const bool quoted =
        value.size() >= 2 && value.front() == QLatin1Char('"') && value.back() == QLatin1Char('"');
    if (edgeBlank || quoted)
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
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

    Section *current = nullptr;
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
        if (*line.begin == '[') {
            const char *close = std::find(line.begin + 1, line.end, ']');
            // A broken header ends the current section, so that what follows cannot spoil it.
            current = nullptr;
            if (close == line.end)
                continue;
            const QString name = decoder.text(Span{line.begin + 1, close}.trimmed());
            if (!name.isEmpty())
                current = &ini.sectionFor(name);
            continue;
        }
        const char *equals = std::find(line.begin, line.end, '=');
        if (!current || equals == line.end)
            continue;
        const QString key = decoder.text(Span{line.begin, equals}.trimmed());
        if (key.isEmpty())
            continue;
        const QString foldedKey = folded(key);
        if (current->index.contains(foldedKey))
            continue;
        Span value = Span{equals + 1, line.end}.trimmed();
        if (value.size() >= 2 && *value.begin == '"' && *(value.end - 1) == '"')
            value = Span{value.begin + 1, value.end - 1};
        current->index.insert(foldedKey, static_cast<qsizetype>(current->entries.size()));
        current->entries.push_back(Entry{key, decoder.text(value), false});
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

QByteArray IniFile::toBytes() const
{
    static const QString crlf = QStringLiteral("\r\n");
    QString text;
    qsizetype estimate = 0;
    for (const Section &section : m_sections) {
        estimate += section.name.size() + 6;
        for (const Entry &entry : section.entries)
            estimate += entry.key.size() + entry.value.size() + 5;
    }
    text.reserve(estimate);
    for (std::size_t i = 0; i < m_sections.size(); ++i) {
        const Section &section = m_sections[i];
        if (i > 0)
            text.append(crlf);
        text.append(QLatin1Char('[')).append(section.name).append(QLatin1Char(']')).append(crlf);
        for (const Entry &entry : section.entries) {
            text.append(entry.key).append(QLatin1Char('='));
            text.append(entry.verbatim ? entry.value : writtenValue(entry.value)).append(crlf);
        }
    }
    // Windows-1252 keeps files exchangeable with Windows workstations; a character outside it (a path in
    // another script) would be lost there, so such a file is written as UTF-8, which the reader accepts.
    // Text whose Windows-1252 bytes happen to form UTF-8 ("Ã©") is written as UTF-8 too, or the reader would
    // take it for UTF-8 and change it.
    std::optional<QByteArray> bytes = encodeCp1252(text);
    if (bytes && !looksLikeUtf8(*bytes))
        return *bytes;
    return text.toUtf8();
}

bool IniFile::save(const QString &path) const
{
    return replaceFile(path, toBytes());
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    const Section *s = findSection(section);
    if (!s)
        return std::nullopt;
    foldInto(m_foldedKey, key);
    return entryValue(*s);
}

std::optional<QString> IniFile::value(const QString &section, QLatin1StringView key) const
{
    const Section *s = findSection(section);
    if (!s)
        return std::nullopt;
    foldInto(m_foldedKey, key);
    return entryValue(*s);
}

std::optional<QString> IniFile::entryValue(const Section &section) const
{
    const auto it = section.index.constFind(m_foldedKey);
    if (it == section.index.constEnd())
        return std::nullopt;
    return section.entries[static_cast<std::size_t>(*it)].value;
}

void IniFile::put(const QString &section, const QString &key, const QString &value, bool verbatim)
{
    Section &s = sectionFor(section);
    // One lookup that adds the key when it is new: writing a whole file sets every key once.
    const qsizetype known = s.index.size();
    qsizetype &slot = s.index[folded(key)];
    if (s.index.size() == known) {
        Entry &entry = s.entries[static_cast<std::size_t>(slot)];
        entry.value = value;
        entry.verbatim = verbatim;
        return;
    }
    slot = static_cast<qsizetype>(s.entries.size());
    s.entries.push_back(Entry{key, value, verbatim});
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    put(section, key, value, false);
}

void IniFile::setVerbatim(const QString &section, const QString &key, const QString &text)
{
    put(section, key, text, true);
}

void IniFile::addSection(const QString &section)
{
    sectionFor(section);
}

QStringList IniFile::sectionNames() const
{
    QStringList names;
    for (const Section &s : m_sections)
        names.append(s.name);
    return names;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList names;
    if (const Section *s = findSection(section)) {
        for (const Entry &e : s->entries)
            names.append(e.key);
    }
    return names;
}

IniFile::Section *IniFile::findSection(const QString &name)
{
    return const_cast<Section *>(std::as_const(*this).findSection(name));
}

const IniFile::Section *IniFile::findSection(const QString &name) const
{
    // Entries are read and written section by section: the same name comes many times in a row, also
    // when the file lacks the section and every key of it falls back to its default.
    if (!m_lastSectionName.isNull() && name == m_lastSectionName)
        return m_lastSection < 0 ? nullptr : &m_sections[static_cast<std::size_t>(m_lastSection)];
    const auto it = m_index.constFind(folded(name));
    m_lastSectionName = name.isNull() ? QStringLiteral("") : name;
    m_lastSection = it == m_index.constEnd() ? -1 : *it;
    return m_lastSection < 0 ? nullptr : &m_sections[static_cast<std::size_t>(m_lastSection)];
}

IniFile::Section &IniFile::sectionFor(const QString &name)
{
    if (Section *s = findSection(name))
        return *s;
    m_index.insert(folded(name), static_cast<qsizetype>(m_sections.size()));
    m_sections.push_back(Section{name, {}, {}});
    m_lastSectionName = QString(); // it may have been remembered as missing
    return m_sections.back();
}

bool replaceFile(const QString &path, const QByteArray &bytes, bool keepBackup)
{
    AtomicFile file(path);
    if (keepBackup)
        file.setBackupPath(backupFileName(path));
    return file.write(bytes);
}

} // namespace korvo
