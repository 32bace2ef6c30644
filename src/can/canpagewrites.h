#pragma once

// What applying one page of the CAN window means: which of the record's fields the page holds, and the
// commands that write them to the module (key=value) or to the adapter and monitor.

#include "can/canrequest.h"
#include "settings/preferences.h"

#include <vector>

namespace korvo {

struct CanWrite
{
    CanCommand command;
    int value;
    int frame; // as canRequest takes it
};

// Copies page 0..5's fields from one record into another (page 2 also the module's mode and characters).
void foldCanPage(int page, const CanRecord &from, CanRecord &to);
// The commands of page 0..5 in the order they are sent; canSetup ("-c") adds the module's CDEL.
std::vector<CanWrite> canPageWrites(CanTarget target, int page, const CanRecord &record, int charDelay,
                                    bool canSetup);

} // namespace korvo
