// How a device's output callback tells that the device ran dry; see CallbackPacing.h.
#include "CallbackPacing.h"

#include <algorithm>

namespace ws {

bool CallbackPacing::ranDry(double now, std::size_t frames) {
    if (!started_) {
        started_ = true;
        start_ = now;
    }
    const double lead = given_ - (now - start_) * rate_;
    given_ += double(frames);
    if (given_ < WarmUp * rate_) {
        best_ = lead;
        return false;
    }
    best_ = std::max(best_ - Drift * double(frames), lead);
    if (lead >= best_ - buffered_)
        return false;
    best_ = lead;
    return true;
}

} // namespace ws
