#pragma once

// Recovery copies of documents with unsaved changes, kept when the session ends under the program
// (SIGTERM, SIGHUP at a desktop logout) and offered again at the next start. Each copy is one file in
// the user's data folder: the document's name on the first line, then its text, written whole and
// atomically.

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

    // Writes one copy beside its final name and renames it into place; false with the OS's reason in
    // error when it could not be written.
    bool keep(const QString &name, const QString &text, QString *error = nullptr);
    // Every readable copy, oldest first.
    QList<RecoveredDocument> documents() const;
    // Removes a copy once it was offered.
    void discard(const RecoveredDocument &document);

private:
    QString m_folder;
    int m_written = 0;
};

} // namespace korvo
