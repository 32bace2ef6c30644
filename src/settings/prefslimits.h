#pragma once

// What the Preferences dialog lets a user enter for each size and count it edits. The reader clamps a value
// from the file into the same range, so that a hand-edited or damaged file cannot ask for a screen of
// gigabytes that the dialog would never have allowed, and a crash at start cannot repeat at every start.

namespace korvo {

struct ValueRange
{
    int lowest;
    int highest;
};

namespace limits {
inline constexpr ValueRange kRows{1, 999};
inline constexpr ValueRange kColumns{1, 999};
inline constexpr ValueRange kScrollRows{1, 32767};
inline constexpr ValueRange kFontSize{1, 512};
inline constexpr ValueRange kTabSpacing{1, 32};
inline constexpr ValueRange kMargin{1, 999};
inline constexpr ValueRange kDelayMs{0, 999};
inline constexpr ValueRange kFuncGroups{1, 100};
inline constexpr ValueRange kRecentFiles{0, 99};
} // namespace limits

} // namespace korvo
