// The display factor's first source for every format's editor: BRIMTRACE_SCALE, a number
// from 1 to 4, for hosts that report the scale wrongly; other values are ignored.
#pragma once
#include <optional>

std::optional<double> scaleOverride();
