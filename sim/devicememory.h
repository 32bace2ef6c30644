#pragma once

// What a simulated controller holds: variables, flags and programs (uKorvo, Veltor, Fendra, Norbel), the
// memory cells 0..2047 of a 926Q (programs, micro-position table, registers, all of it non-volatile) and the
// bytes of an HMI device (program, registers, parameters). It prints them in the device's own reply format
// and takes back, line by line, what a download sends, so that upload, download into an empty device and
// upload again give the same listing.

#include "app/devicecatalogue.h"

#include <QByteArray>
#include <QList>
#include <QMap>

namespace korvo {

class DeviceMemory
{
public:
    static constexpr int kHmiSize = 6144; // program 0..4095, registers 4096..5631, parameters 5632..6143

    explicit DeviceMemory(DeviceType device = Veltor);
    // A few variables, flags where the type has them, two programs (one with a label line).
    static DeviceMemory demo(DeviceType device);

    DeviceType device() const { return m_device; }

    // Replies to the listing commands, one line each, without line ends.
    QList<QByteArray> variablesReply() const;
    QList<QByteArray> flagsReply() const;
    QList<QByteArray> programReply() const;
    // 926Q "[from count": the cells from..from+count that hold a value.
    QList<QByteArray> cellsReply(int from, int count) const;
    // HMI: 32 bytes from address (erased bytes are 255).
    QByteArray hmiData(int address) const;

    // One line as a download sends it (without its line end); true when it belonged to the memory
    // (a value, a program line, a header or comment).
    bool apply(const QByteArray &line);
    // A power cycle: program entry is the interpreter's state and ends; the memory is kept.
    void powerCycled() { m_programMode = false; }

private:
    struct Value
    {
        QByteArray name;
        QByteArray value;
        bool global = true;
    };
    static void setValue(QList<Value> &values, const QByteArray &name, const QByteArray &value);
    static QList<QByteArray> reply(const QList<Value> &values);
    bool applyProgramLine(const QByteArray &line);

    DeviceType m_device;
    QList<Value> m_variables;
    QList<Value> m_flags;
    QList<QByteArray> m_program;
    bool m_programMode = false;
    QMap<int, QByteArray> m_cells;
    QByteArray m_hmi;
    int m_hmiBase = 0; // the HMI section being downloaded
};

} // namespace korvo
