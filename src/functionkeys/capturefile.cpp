#include "functionkeys/capturefile.h"

#include <QDir>

namespace korvo {

CaptureFile::CaptureFile(QObject *parent) : QObject(parent) {}

CaptureFile::~CaptureFile() = default;

bool CaptureFile::start(const QString &path)
{
    if (m_file.isOpen())
        m_file.close();
    m_fileName = path;
    m_file.setFileName(path);
    // Unbuffered: every notification's bytes reach the OS in the write that takes them.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        failWith(m_file.errorString());
        return false;
    }
    m_error.clear();
    setState(State::On);
    return true;
}

void CaptureFile::stop()
{
    m_file.close();
    setState(State::Off);
}

void CaptureFile::setPaused(bool paused)
{
    if (m_state == State::Off)
        return;
    setState(paused ? State::Paused : State::On);
}

bool CaptureFile::write(const QByteArray &bytes)
{
    if (m_state != State::On || bytes.isEmpty())
        return true;
    if (m_file.write(bytes) == bytes.size())
        return true;
    failWith(m_file.errorString());
    return false;
}

void CaptureFile::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void CaptureFile::failWith(const QString &reason)
{
    m_error = QDir::toNativeSeparators(m_fileName) + QStringLiteral("\r\n") + reason;
    m_file.close();
    setState(State::Off);
}

} // namespace korvo
