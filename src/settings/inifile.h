#pragma once

// An initialization file in memory: ordered sections of ordered key=value entries, names matched
// without regard to letter case. Parsing never fails; whatever cannot be understood is left out.
//
// Format as read: LF, CR LF or CR line ends; "[name]" starts a section; "key=value" lines; blanks around
// names and values are dropped, and a value wrapped in double quotes keeps its inner text as it is; lines
// starting with ";" and lines without "=" are ignored, as are entries before the first section. A repeated
// section continues the first one of that name; a repeated key keeps its first value. Values are cut to
// 2046 characters. Format as written: CR LF line ends, "key=value" without blanks, one empty line between
// sections, values with blanks at an edge or wrapped in quotes are quoted, Windows-1252 bytes (UTF-8 only
// when some text has no Windows-1252 byte), so that whatever was read is written back and reads the same.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

namespace korvo {

class IniFile
{
public:
    // Longest value handed out, as the fixed read buffer of the file's original readers allowed.
    static constexpr qsizetype kMaxValueLength = 2046;

    static IniFile fromBytes(const QByteArray &bytes);
    // The file's contents; an empty image when it is missing or unreadable.
    static IniFile load(const QString &path);

    QByteArray toBytes() const;
    // Writes the file through a temporary file in the same folder that replaces it only when complete.
    bool save(const QString &path) const;

    std::optional<QString> value(const QString &section, const QString &key) const;
    // The same for a key name given as Latin-1 text (the program's own key names): allocates nothing.
    std::optional<QString> value(const QString &section, QLatin1StringView key) const;
    bool contains(const QString &section, const QString &key) const
    {
        return value(section, key).has_value();
    }
    bool hasSection(const QString &section) const { return findSection(section) != nullptr; }
    // Replaces the value, or adds the key at the end of its section, adding the section at the end.
    void setValue(const QString &section, const QString &key, const QString &value);
    // Like setValue, but the text is written exactly as it stands, without the quotes that would keep blanks
    // at its edges (so " " is stored as a blank and reads back empty).
    void setVerbatim(const QString &section, const QString &key, const QString &text);
    // Adds an empty section at the end unless it exists, so that the order of sections can be laid down
    // first.
    void addSection(const QString &section);

    QStringList sectionNames() const;
    QStringList keys(const QString &section) const;
    bool isEmpty() const { return m_sections.empty(); }

private:
    struct Entry
    {
        QString key;
        QString value;
        bool verbatim;
    };
    struct Section
    {
        QString name;
        std::vector<Entry> entries;
        QHash<QString, qsizetype> index; // case-folded key -> entry
    };

    Section *findSection(const QString &name);
    const Section *findSection(const QString &name) const;
    std::optional<QString> entryValue(const Section &section) const; // of the key in m_foldedKey
    Section &sectionFor(const QString &name);
    void put(const QString &section, const QString &key, const QString &value, bool verbatim);

    std::vector<Section> m_sections;
    QHash<QString, qsizetype> m_index; // case-folded section name -> section
    // The section looked up last, -1 when missing (sections are only ever added, so the index stays valid;
    // adding one forgets it); not thread-safe.
    mutable QString m_lastSectionName;
    mutable qsizetype m_lastSection = -1;
    mutable QString m_foldedKey; // the key being looked up, folded into a reused buffer
};

// Replaces a file's contents so that a crash, a kill or a full disk leaves either the old or the new file
// (see AtomicFile). With keepBackup the previous file is kept under its backup name ("motion.bak").
bool replaceFile(const QString &path, const QByteArray &bytes, bool keepBackup = false);

} // namespace korvo
