#pragma once

// The parallel-port clock's timing. Each half bit is a busy-loop wait of D1 counts and each byte ends with a
// wait of D2; both come from counting how often the monotonic clock can be read in half a second, divided
// by 1600 and 2132 (this is a clock that is read through the system, as on the NT family). The half-bit
// time and SPI clock that result are measured too, on the port itself, because every access is a system
// call. Tests inject a calibration instead of measuring.

#include <QtGlobal>

namespace korvo {

class ParallelPort;

struct SpiCalibration
{
    int halfBitDelay = 1; // D1, at least 1
    int byteDelay = 1;    // D2, at least 1
    double halfBitUs = 0; // measured: one wait of D1 plus one port access
    double clockHz = 0;   // measured SPI clock: one bit is two waits of D1, three writes and a status read

    // D1 and D2 for a half-second clock-reading count: count / 1600 and count / 2132 rounded half to even;
    // a clock too coarse to count (count <= 3 * 2132) gives 4 and 3.
    static SpiCalibration fromCount(qint64 count);
};

// A wait of count busy-loop steps; the optimiser cannot remove it and it never sleeps or yields.
void spiBusyWait(int count);

// Calibrate_SPI_Delays: counts clock reads for half a second, then times waits of D1 and D2 and a write plus
// a status read on port (when it is open; otherwise the access time counts as 0), the median of some
// hundreds.
SpiCalibration calibrateSpiDelays(ParallelPort *port);

} // namespace korvo
