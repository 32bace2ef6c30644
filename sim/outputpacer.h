#pragma once

// Writes a simulated controller's answer, all at once or one character every few milliseconds ("slow").

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

namespace korvo {

class OutputPacer : public QObject
{
    Q_OBJECT
public:
    using Writer = std::function<void(const QByteArray &)>;
    explicit OutputPacer(Writer writer, QObject *parent = nullptr);

    void setCharDelay(int ms) { m_charDelayMs = ms; }
    int charDelay() const { return m_charDelayMs; }
    void send(const QByteArray &bytes);
    void clear();
    bool idle() const { return m_pending.isEmpty(); }

private:
    void next();

    Writer m_writer;
    QByteArray m_pending;
    QTimer m_timer;
    int m_charDelayMs = 0;
};

} // namespace korvo
