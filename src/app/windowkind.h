#pragma once

#include <cstdint>

namespace korvo {

// The two kinds of child window that have slots in the preferences file.
enum class WindowKind : int16_t { None = 0, Edit = 1, Terminal = 2 };

} // namespace korvo
