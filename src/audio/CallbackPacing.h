// Tells, from when a device's output callback runs and how many frames it is asked for,
// whether the device has played more than it had been given: the sound server ran dry and
// filled in silence (or dropped frames to catch up). A device that keeps pace asks for
// frames as fast as its clock plays them, so the frames handed over stay a steady amount
// ahead of the wall clock; a run dry shows as that lead falling, for good, by more than
// any server's request pattern explains.
//
// The lead is compared with the best it has been, which sinks slowly (a sound card's clock
// may run a little slow against the system's) and is taken afresh after each run dry, so
// one gap counts once. The stream's first half second of sound is its start-up (a server
// fills its buffer, then starts its clock, which may take seconds): nothing counts there.
//
// Threads: used by the callback's thread only; no allocation, no system call.
#pragma once

#include <cstddef>

namespace ws {

class CallbackPacing {
public:
    // `rate`: the device's frames per second; `buffered`: how many frames ahead of the
    // device the server holds at most (a late callback shorter than that is not heard).
    CallbackPacing(double rate, double buffered) : rate_(rate), buffered_(buffered) {}

    // At the start of each callback: `now` in seconds of a steady clock, `frames` the size
    // of this request. True when the device ran dry since the previous callback.
    bool ranDry(double now, std::size_t frames);

private:
    static constexpr double WarmUp = 0.5;   // seconds of frames handed over
    static constexpr double Drift = 0.0005; // the slowest card clock allowed for

    double rate_;
    double buffered_;
    bool started_ = false;
    double start_ = 0.0;
    double given_ = 0.0; // frames handed over before this callback
    double best_ = 0.0;  // the best lead since the last run dry, sinking by Drift
};

} // namespace ws
