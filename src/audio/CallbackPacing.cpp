// How a device's output callback tells that the device ran dry; see CallbackPacing.h.
#include "CallbackPacing.h"

#include <algorithm>

namespace ws {

bool CallbackPacing::ranDry(double now, std::size_t frames) {
    if (!started_) {
        started_ = true;
        start_ = now;
    }
    const double elapsed = now - start_;
    const double lead = given_ - elapsed * rate_;
    given_ += double(frames);
    if (elapsed < WarmUp) {
        best_ = lead;
        return false;
    }
    best_ = std::max(best_ - Drift * double(frames), lead);
    if (lead >= best_ - DryPeriods * double(frames))
        return false;
    best_ = lead;
    return true;
}

} // namespace ws
