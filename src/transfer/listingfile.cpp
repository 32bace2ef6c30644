#include "transfer/listingfile.h"

#include "app/cp1252.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvo {

ListingFile::ListingFile(QString path) : m_path(std::move(path)), m_file(incompletePath()) {}

ListingFile::~ListingFile()
{
    m_file.close();
}

bool ListingFile::open(QString *error)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = m_file.errorString();
        return false;
    }
    return true;
}

bool ListingFile::append(const QString &line, QString *error)
{
    const QByteArray bytes = encodeCp1252(line).value_or(line.toLatin1()) + "\r\n";
    if (m_file.write(bytes) != bytes.size()) {
        *error = m_file.errorString();
        return false;
    }
    return true;
}

bool ListingFile::commit(QString *error)
{
    if (!m_file.flush()) {
        *error = m_file.errorString();
        return false;
    }
    m_file.close();
    // rename() replaces the destination in one step.
    if (std::rename(QFile::encodeName(incompletePath()).constData(), QFile::encodeName(m_path).constData()) !=
        0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

QString ListingFile::keepIncomplete()
{
    m_file.close();
    return incompletePath();
}

} // namespace korvo
