#pragma once

// The serial link on QSerialPort. A device that goes away (unplugged adapter, closed pty) is reported once
// and the port is closed, so a hung-up descriptor cannot keep the event loop busy.

#include "link/seriallink.h"

#include <QSerialPort>

namespace korvo {

struct SerialSettings
{
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    bool valid = false;
};

// "9600,N,8,1" -> its parts; parity letters N, E, O, M, S; stop bits 1, 1.5, 2.
SerialSettings parseSerialSettings(const QString &settings);

class QtSerialLink final : public SerialLink
{
    Q_OBJECT
public:
    explicit QtSerialLink(QObject *parent = nullptr);
    ~QtSerialLink() override;

    bool open(const QString &portName, const QString &settings) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    QString portName() const override { return m_name; }
    bool setSettings(const QString &settings) override;
    bool write(const QByteArray &data) override;
    QByteArray readAll() override;
    bool hasBytesWaiting() const override;
    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    void setRts(bool on) override;
    void setDtr(bool on) override;
    QString errorString() const override { return m_error; }

private:
    bool apply(const SerialSettings &settings);
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    bool hungUp() const;
    void reportLost(const QString &description);

    QSerialPort m_port;
    QString m_name;
    QString m_error;
};

} // namespace korvo
