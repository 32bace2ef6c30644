#pragma once

// Makes a simulated controller answer the upload commands of its device type from a DeviceMemory and
// store what a download sends: "print vars", "print flags", "list" (uKorvo), "pr al", "l" (Veltor,
// Fendra, Norbel), "[from count" (926Q), and the HMI's ESC address "J" block reads, which are answered
// with 32 bytes, a check byte and CR LF and no echo.

#include "sim/controllersim.h"
#include "sim/devicememory.h"

namespace korvo {

class MemoryResponder
{
public:
    // Hooks itself into controller, which must not outlive it.
    MemoryResponder(ControllerSim &controller, DeviceMemory memory);
    MemoryResponder(const MemoryResponder &) = delete;
    MemoryResponder &operator=(const MemoryResponder &) = delete;

    const DeviceMemory &memory() const { return m_memory; }
    // The HMI block of this number (address / 32 + 1) is sent once with a wrong check byte.
    void setCorruptHmiBlock(int block) { m_corruptBlock = block; }

private:
    bool line(ControllerSim &controller, const QByteArray &line);
    bool hmiByte(ControllerSim &controller, char byte);
    void replyLines(ControllerSim &controller, const QList<QByteArray> &lines);

    DeviceMemory m_memory;
    int m_corruptBlock = 0;
    bool m_hmiCommand = false;
    bool m_hmiLineEnd = false; // the line end after "J" belongs to the command
    QByteArray m_hmiDigits;
};

} // namespace korvo
