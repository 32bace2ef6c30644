#pragma once

// An initialization file in memory: ordered sections of ordered key=value entries, names matched
// without regard to letter case. Parsing never fails; whatever cannot be understood is left out.
//
// Format as read: LF, CR LF or CR line ends; "[name]" starts a section; "key=value" lines; blanks around
// names and values are dropped, and a value wrapped in double quotes keeps its inner text as it is; lines
// starting with ";" and lines without "=" are ignored, as are entries before the first section. A repeated
// section continues the first one of that name; a repeated key keeps its first value. Values are cut to
// 2046 characters. Format as written: CR LF line ends, "key=value" without blanks, one empty line between
// sections, values with blanks at an edge or wrapped in quotes are quoted, Windows-1252 bytes (a line
// whose text has no Windows-1252 bytes in UTF-8, which the reader recognises line by line, as it reads a
// whole file saved as UTF-8), so that whatever was read is written back and reads the same.

#include "settings/hashslots.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace korvo {

// Names and values are passed as any string view: QString, QLatin1StringView (the program's own key names)
// or UTF-8 literals. All text is kept in one buffer, so that reading or building a file allocates little
// beyond that buffer and the tables.
class IniFile
{
public:
    // Longest value handed out, as the fixed read buffer of the file's original readers allowed.
    static constexpr qsizetype kMaxValueLength = 2046;

    static IniFile fromBytes(const QByteArray &bytes);
    // The file's contents; an empty image when it is missing, unreadable, no regular file or too large
    // (error, when given, says why).
    static IniFile load(const QString &path, QString *error = nullptr);

    QByteArray toBytes() const;
    // Writes the file through a temporary file in the same folder that replaces it only when complete.
    bool save(const QString &path) const;

    std::optional<QString> value(QAnyStringView section, QAnyStringView key) const;
    // The same without a copy: the view is valid until the file is changed or destroyed (so it is no value
    // to set in the same file).
    std::optional<QStringView> valueView(QAnyStringView section, QAnyStringView key) const;
    bool contains(QAnyStringView section, QAnyStringView key) const
    {
        return valueView(section, key).has_value();
    }
    bool hasSection(QAnyStringView section) const;
    // Replaces the value, or adds the key at the end of its section, adding the section at the end.
    void setValue(QAnyStringView section, QAnyStringView key, QAnyStringView value);
    // Like setValue, but the text is written exactly as it stands, without the quotes that would keep blanks
    // at its edges (so " " is stored as a blank and reads back empty).
    void setVerbatim(QAnyStringView section, QAnyStringView key, QAnyStringView text);
    // Adds an empty section at the end unless it exists, so that the order of sections can be laid down
    // first.
    void addSection(QAnyStringView section) { sectionFor(section); }

    // Sections by number, so that many keys of one section are read or written with a single lookup of its
    // name: 0 is the first section of the file, -1 stands for a missing one.
    qsizetype sectionCount() const { return static_cast<qsizetype>(m_sections.size()); }
    qsizetype sectionNumber(QAnyStringView section) const;
    // Finds the section, adding it at the end when it is missing.
    qsizetype sectionFor(QAnyStringView section);
    QStringView sectionName(qsizetype section) const;
    std::optional<QStringView> valueView(qsizetype section, QAnyStringView key) const;
    void setValue(qsizetype section, QAnyStringView key, QAnyStringView value);
    void setVerbatim(qsizetype section, QAnyStringView key, QAnyStringView text);
    // Adds a key the section does not hold yet, without looking for it: a whole file written from the
    // program's state sets each key once. The key is indexed when a key is next looked up.
    void addValue(qsizetype section, QAnyStringView key, QAnyStringView value, bool verbatim = false);

    QStringList sectionNames() const;
    QStringList keys(QAnyStringView section) const;
    bool isEmpty() const { return m_sections.empty(); }

private:
    struct Text // a stretch of m_text
    {
        qsizetype pos = 0;
        qsizetype size = 0;
    };
    struct Entry
    {
        Text key;
        Text value;
        qsizetype section;
        qsizetype next; // the section's following entry, -1 after the last
        bool verbatim;
    };
    struct Section
    {
        Text name;
        qsizetype first; // entries in file order, -1 when there are none
        qsizetype last;
        std::size_t hash;
    };

    QStringView text(Text t) const { return QStringView(m_text.constData() + t.pos, t.size); }
    Text append(QAnyStringView s);
    // Name is QStringView or QLatin1StringView.
    template <typename Name> qsizetype findSection(Name name, std::size_t hash) const;
    qsizetype addSection(Text name, std::size_t hash);
    template <typename Name> qsizetype findEntry(qsizetype section, Name key, std::size_t hash) const;
    template <typename Name> qsizetype findIndexed(qsizetype section, Name key, std::size_t hash) const;
    void indexEntries() const;
    // Adds the entry to its section; it is indexed at once when hash is given.
    void addEntry(qsizetype section, Text key, Text value, bool verbatim, std::optional<std::size_t> hash);
    void put(qsizetype section, QAnyStringView key, QAnyStringView value, bool verbatim);
    QString fileText() const;

    QString m_text;            // every name and value (of a Windows-1252 file: the whole file)
    qsizetype m_fileText = 0;  // the start of m_text that is a whole file, without a line break in a value
    bool m_lineBreaks = false; // whether a value set in the place of another may hold a line break
    std::vector<Section> m_sections;
    std::vector<Entry> m_entries;
    HashSlots m_sectionIndex; // by case-folded name
    // Entries by section and case-folded key: the first m_entryHashes.size() entries are indexed, the
    // rest were added by addValue and are indexed by the next lookup (so a const file is not thread-safe).
    mutable HashSlots m_entryIndex;
    mutable std::vector<std::size_t> m_entryHashes;
    mutable qsizetype m_lastFound = -1; // the entry valueView found last
};

// Replaces a file's contents so that a crash, a kill or a full disk leaves either the old or the new file
// (see AtomicFile). With keepBackup the previous file is kept under its backup name ("motion.bak"). On
// failure error (when given) names the file and the system's reason.
bool replaceFile(const QString &path, const QByteArray &bytes, bool keepBackup = false,
                 QString *error = nullptr);

} // namespace korvo
