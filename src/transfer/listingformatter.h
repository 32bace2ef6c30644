#pragma once

// Turns a device's reply lines into listing lines (all device types but HMI): variables and flags lose
// their global marker and get the "VAR "/"VA "/"FLG " prefix the device reads back, locals are left out,
// and the first line of a program listing gets the program header ("PGM 100  ") with a leading label line
// moved after it. The section headers of every device type are named here too.

#include "app/devicecatalogue.h"

#include <QByteArray>
#include <QList>

namespace korvo {

class ListingFormatter
{
public:
    explicit ListingFormatter(DeviceType device) : m_device(device) {}

    // The section now being collected (a TransferRequest::Section bit, 0 for none); program-listing
    // formatting starts after subState more lines.
    void setSection(int section) { m_section = section; }
    void setSubState(int subState) { m_subState = subState; }
    int section() const { return m_section; }

    // One reply line (without its LF) to the lines it becomes in the listing (none, one or three).
    QList<QByteArray> format(QByteArray line);

    // Section header of a non-926Q device ("'[VARIABLES]"), or the header of a 926Q block: micro-position
    // table, program block n (0: 1700-1790), register block n (0: the first, 1985) or NVM block n.
    static QByteArray header(DeviceType device, int section);
    static QByteArray header926Q(int section, int block);
    // The program header word and the closing program line ("        PGM"); empty where the device has none.
    static QByteArray programWord(DeviceType device);
    static QByteArray programClosing(DeviceType device);

private:
    DeviceType m_device;
    int m_section = 0;
    int m_subState = 0;
    QByteArray m_pendingLabel;
};

} // namespace korvo
