// The checks on one file of a set on its own: whether the player can decode and play it,
// whether it holds sound at all, clipping, and for a loop what is heard at every repeat
// (a click or a gap at the seam, a jump in level, a DC offset).
#pragma once

#include "CheckContext.h"

namespace ws::check {

// Measures the file (unless it is not a regular file) and reports what is wrong with it.
void checkFile(CheckContext& context, FileReport& file);

} // namespace ws::check
