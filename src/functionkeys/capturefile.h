#pragma once

// The capture file of the application, which the main window owns: every terminal's link hands it what it
// receives, before any translation or receive mode sees the bytes, and while capture is on they are appended
// exactly as they came. Each write goes straight to the operating system (no buffer of our own), so a crash
// or a kill loses nothing already received. A failure (the file cannot be opened, the disk is full) turns
// capture off and leaves the reason, with the OS's description, for the window to show once.

#include <QFile>
#include <QObject>
#include <QString>

namespace korvo {

class CaptureFile : public QObject
{
    Q_OBJECT
public:
    enum class State { Off, On, Paused };

    explicit CaptureFile(QObject *parent = nullptr);
    ~CaptureFile() override;

    // Opens path for output, replacing what was there, and turns capture on (closing a file still open).
    // False when it cannot be opened: capture stays off and errorText() says why.
    bool start(const QString &path);
    // Closes the file and turns capture off.
    void stop();
    // Pause keeps the file open and writes nothing until resumed.
    void setPaused(bool paused);
    // Appends bytes while capture is on. False when the write failed: capture is off from here on and
    // errorText() says why.
    bool write(const QByteArray &bytes);

    State state() const { return m_state; }
    bool isOn() const { return m_state != State::Off; }
    // The file in use or last used; empty until a capture has been started.
    const QString &fileName() const { return m_fileName; }
    // "<file>\r\n<the OS's description>", for a message box titled errorTitle().
    const QString &errorText() const { return m_error; }
    static QString errorTitle() { return QStringLiteral("File Error"); }

Q_SIGNALS:
    void stateChanged(korvo::CaptureFile::State state);

private:
    void setState(State state);
    void failWith(const QString &reason);

    QFile m_file;
    QString m_fileName;
    QString m_error;
    State m_state = State::Off;
};

} // namespace korvo
