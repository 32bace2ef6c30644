#pragma once

// The numbers a device engine needs to time its waits on a terminal's link, taken from the terminal's
// settings when the engine is made (an engine never reads the settings while it runs).

#include <QString>

namespace korvo {

struct CommWindowSettings;

struct LinkTiming
{
    int baud = 9600;
    int charDelayMs = 0;
    int lineDelayMs = 0;
    bool tcp = false;

    static LinkTiming fromSettings(const CommWindowSettings &settings);
};

// Start_Reply_Timer: the time chars characters take at the line's rate, each followed by the character
// delay (at least 55 ms), plus the line delay (at least 55 ms), plus extraMs; never below 55 ms.
int replyTimeMs(const LinkTiming &timing, int chars, int extraMs);
// The time chars characters take at the line's rate, plus 55 ms: the least a device's short answer to a line
// it has just echoed needs to arrive.
int shortAnswerMs(const LinkTiming &timing, int chars);

} // namespace korvo
