#pragma once

// korvo-sim --log-times: every received byte on a line of its own with its arrival time, so pauses and
// pacing can be checked from outside the program. A line is "<ms since start> <byte as two hex digits>",
// for example "1500 0D". Injected line faults are lines of their own, "1500 fault to-device #3 drop 0D".

#include <QElapsedTimer>
#include <QFile>
#include <QString>

namespace korvo {

class TimeLog
{
public:
    // The clock starts here; each line reaches the file in the write that makes it.
    TimeLog();
    bool open(const QString &path, QString *error);
    void record(const QByteArray &bytes);
    void record(const QByteArray &bytes, qint64 ms);
    // A line of its own with the time, for what happened on the line ("<ms> fault ...").
    void note(const QByteArray &text);
    void note(const QByteArray &text, qint64 ms);

private:
    QElapsedTimer m_clock;
    QFile m_file;
};

} // namespace korvo
