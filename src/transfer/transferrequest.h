#pragma once

// What an upload or download is to move: filled by the upload/download dialog or korvo-cli, handed to the
// engines by value.

#include "app/devicecatalogue.h"
#include "link/linktiming.h"

#include <QString>

namespace korvo {

struct TransferRequest
{
    // Section bits of the dialog's three data-type boxes.
    enum Section : int { Variables = 1, Flags = 2, Programs = 4 };

    DeviceType device = Veltor;
    int sections = 0; // requested sections; none ticked: programs (upload) or the whole file (download)
    QString deviceAddress;
    QString programName; // uKorvo: the argument of "list "
    LinkTiming timing;
    // Download: an echo that has not come this long after the last one ends the job; 0 waits until Cancel.
    int echoTimeoutMs = 0;
    // Upload, verify: readings of every reply that must agree in a row before it is taken; 2 or more on a
    // noisy line, where one reading cannot show damage inside a reply.
    int readings = 1;

    // Lines end in LF when a device address is in use, CR otherwise.
    char lineEnd() const { return deviceAddress.isEmpty() ? '\r' : '\n'; }
};

} // namespace korvo
