#pragma once

// The device catalogue: what each controller type is called and which program files and keywords it uses.

#include <QString>

#include <cstdint>

namespace korvo {

enum DeviceType : int16_t {
    PlainText = 0,
    UKorvo = 1,
    Q926 = 2,
    Hmi = 3,
    Veltor = 4,
    Fendra = 5,
    Norbel = 6,
};

// Name shown in tips and status panels ("uKorvo" ... "NB[C,M,O,T,V]"); empty outside 1..6.
QString deviceName(DeviceType device);
// Program-file kind tag ("KXT", "VXT", "FXT", "NBT"), empty for plain-text devices.
QString deviceFileTag(DeviceType device);
// Default program-file extension with its dot (".vxt"); ".txt" for plain-text devices.
QString deviceExtension(DeviceType device);
// Keyword file name in the program folder ("VELTOR_ALL.rw"), empty for the plain-text set.
QString deviceKeywordFile(DeviceType device);
// Device type named on a command line ("ukorvo", "926q", "hmi", "veltor", "fendra", "nb", any case);
// PlainText for any other name.
DeviceType deviceFromOptionName(const QString &name);
// Device type whose language set an upper-case extension tag selects; PlainText for any other tag.
DeviceType fileKindForTag(const QString &tag);

struct DeviceTips
{
    QString upload;
    QString download;
};

// Tool-tips of the "upld" and "dnld" buttons for a device and the upload/download target.
DeviceTips deviceTips(DeviceType device, int targetKind, const QString &targetFile);

} // namespace korvo
