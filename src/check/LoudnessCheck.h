// Loudness across a set: neighbouring loops of the notch ladder (or of the speed control's
// loops) should sound alike, and a transition should end at the level of the loop it hands
// over to. A file that stands out from both its neighbours is named, not its neighbours.
#pragma once

#include "CheckContext.h"

namespace ws::check {

// Compares the loops and transitions of a Diesel or Steam 2 set and fills the chart's bars.
void checkLoudness(CheckContext& context);

} // namespace ws::check
