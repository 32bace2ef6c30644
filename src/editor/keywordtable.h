#pragma once

// The keyword list of one Praxis family, read from its ".rw" file and matched without regard to case.
//
// File format: plain ASCII text, one keyword per line; blank lines are ignored and a line whose
// first non-blank character is "#" is a comment. A keyword is made of letters, digits and "_", starts
// with a letter or "_" and has at most kMaxLength characters. Anything else (a NUL or other control
// character, a byte above 127, two words on one line, punctuation, a longer word) makes the whole file
// invalid, so that a damaged or binary file is reported instead of colouring at random.

#include <QByteArray>
#include <QSet>
#include <QString>

namespace korvo {

class KeywordTable
{
public:
    static constexpr qsizetype kMaxLength = 64;

    // Parses file content; on failure returns false and says which line is wrong in *error.
    bool parse(const QByteArray &content, QString *error);
    // Reads and parses a file; a file that cannot be read is a failure with the OS's description.
    bool load(const QString &path, QString *error);

    bool contains(const char *word, qsizetype length) const;
    bool contains(const QString &word) const;
    qsizetype size() const { return m_words.size(); }

private:
    QSet<QByteArray> m_words; // lower case
};

} // namespace korvo
