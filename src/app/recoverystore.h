#pragma once

// Recovery copies of documents with unsaved changes, kept while the program runs (a while after each
// change) and when the session ends under it (SIGTERM, SIGHUP at a desktop logout), and offered again at
// the next start. Each copy is one file in the user's data folder: the document's name on the first line,
// then its text, written whole and atomically; a document has one copy per session, rewritten in place.

#include <QList>
#include <QString>

namespace korvo {

struct RecoveredDocument
{
    QString name; // the document's file name ("Program" for an untitled one)
    QString text;
    QString copyPath; // where the copy lies
};

class RecoveryStore
{
public:
    // The copies live in folder; the default is "recovery" in the user's data folder.
    explicit RecoveryStore(QString folder = defaultFolder());

    static QString defaultFolder();
    QString folder() const { return m_folder; }

    // Writes the copy of document key beside its final name and renames it into place, over this
    // session's earlier copy of it; false with the OS's reason in error when it could not be written.
    bool keep(int key, const QString &name, const QString &text, QString *error = nullptr);
    // Removes this session's copy of document key, if there is one.
    void forget(int key);
    // Every readable copy, oldest session first, except those of another copy of the program still
    // running (they are its own, not yet lost).
    QList<RecoveredDocument> documents() const;
    // Removes a copy once it was offered.
    void discard(const RecoveredDocument &document);

private:
    QString copyPath(int key) const;

    QString m_folder;
    qint64 m_sessionStart; // ms since the epoch; orders sessions and keeps them apart with the process id
};

} // namespace korvo
