#pragma once

// Turns SIGTERM and SIGHUP (the desktop session ending) into a Qt signal on the event loop, through a
// socket pair written by the signal handler.

#include <QObject>

class QSocketNotifier;

namespace korvo {

class ShutdownSignals : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject *parent = nullptr);
    ~ShutdownSignals() override;

signals:
    void shutdownRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace korvo
