#include "keywordtable.h"

#include "app/wholefile.h"

namespace korvo {

namespace {
bool isWordStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isWordChar(char c)
{
    return isWordStart(c) || (c >= '0' && c <= '9');
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
} // namespace

bool KeywordTable::parse(const QByteArray &content, QString *error)
{
    QSet<QByteArray> words;
    const QList<QByteArray> lines = content.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray word = line.trimmed();
        if (word.isEmpty() || word.startsWith('#'))
            continue;
        bool valid = isWordStart(word[0]) && word.size() <= kMaxLength;
        for (const char c : word)
            valid = valid && isWordChar(c);
        if (!valid) {
            if (error)
                *error = QStringLiteral("line %1 is not a keyword").arg(n + 1);
            return false;
        }
        QByteArray lowered(word.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < word.size(); ++i)
            lowered[i] = lower(word[i]);
        words.insert(lowered);
    }
    m_words = std::move(words);
    return true;
}

bool KeywordTable::load(const QString &path, QString *error)
{
    QByteArray bytes;
    return readWholeFile(path, FileKind::Keywords, &bytes, error) && parse(bytes, error);
}

bool KeywordTable::contains(const char *word, qsizetype length) const
{
    // Longer words cannot match and need no lower-case copy.
    if (length <= 0 || length > kMaxLength || m_words.isEmpty())
        return false;
    char buffer[kMaxLength];
    for (qsizetype i = 0; i < length; ++i)
        buffer[i] = lower(word[i]);
    return m_words.contains(QByteArray::fromRawData(buffer, length));
}

bool KeywordTable::contains(const QString &word) const
{
    const QByteArray latin = word.toLatin1();
    return contains(latin.constData(), latin.size());
}

} // namespace korvo
