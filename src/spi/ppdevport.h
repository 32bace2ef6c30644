#pragma once

// The parallel port through Linux ppdev: the device is opened and claimed (PPCLAIM) for as long as the port
// is open, and every access is one PPWDATA or PPRSTATUS call.

#include "spi/parallelport.h"

namespace korvo {

class PpdevPort final : public ParallelPort
{
public:
    PpdevPort() = default;
    ~PpdevPort() override;
    PpdevPort(const PpdevPort &) = delete;
    PpdevPort &operator=(const PpdevPort &) = delete;

    bool open(const QString &device, QString *error) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    QString device() const override { return m_device; }

    void writeData(quint8 value) override;
    quint8 readStatus() override;
    QString accessError() const override { return m_accessError; }

    // The sentence shown when opening device failed with errno: the OS's description and what to do.
    static QString openErrorText(const QString &device, int error);

private:
    void noteFailure(const char *what);

    int m_fd = -1;
    QString m_device;
    QString m_accessError;
};

} // namespace korvo
