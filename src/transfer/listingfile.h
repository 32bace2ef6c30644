#pragma once

// The file an upload writes: lines go to "<name>.incomplete" beside the destination, which replaces the
// destination only when the upload has finished, so a cancelled or failed upload never destroys the
// previous file and keeps what was read under a name that says so.

#include <QFile>
#include <QString>

namespace korvo {

class ListingFile
{
public:
    explicit ListingFile(QString path);
    ~ListingFile();

    // Creates the incomplete file; false with the OS's reason.
    bool open(QString *error);
    // One listing line in Windows-1252, ended by CR LF.
    bool append(const QString &line, QString *error);
    // The upload finished: the incomplete file replaces the destination.
    bool commit(QString *error);
    // The upload stopped: the incomplete file stays; its path.
    QString keepIncomplete();

    QString path() const { return m_path; }
    QString incompletePath() const { return m_path + QStringLiteral(".incomplete"); }

private:
    QString m_path;
    QFile m_file;
};

} // namespace korvo
