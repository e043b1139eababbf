// The electric engine: one loop, "engine_loop.wav", whose loudness and pitch follow the
// throttle. Position 8 (the bottom) is idle, position 1 full power.
#include "EngineSound.h"

#include "EngineView.h"
#include "SoundAsset.h"
#include "audio/SoundChannel.h"

#include <array>

namespace ws {

namespace {

// Pitch of the loop at throttle positions 1 to 8, as a factor of its own rate.
constexpr std::array<long double, 8> PitchFactor{1.18L, 1.14L, 1.1L, 1.05L, 1.0L, 0.9L, 0.8L, 0.7L};

} // namespace

void EngineSound::DoElectric() {
    SoundChannel& ch1 = channel1();
    open(ch1, state_.AssetFolder + assetfile::EngineLoop);
    ch1.setLoop(true);
    ch1.stop();
    view_.setLabel2(assetfile::EngineLoop);
    state_.BaseRate = static_cast<int>(ch1.SamplesPerSec());
    // Two throttle moves ending at idle give the loop its idle gain and pitch before it
    // plays.
    const int volume = view_.volumePosition();
    view_.setVolumePosition(1);
    view_.setThrottlePosition(7);
    view_.setThrottlePosition(8);
    view_.setVolumePosition(volume);
    ch1.play();
    state_.Playing = true;
}

void EngineSound::electricThrottle() {
    const int p = view_.throttlePosition();
    state_.Gain1 = static_cast<float>((7 - p) * 0.5L / 8 + 0.5L);
    state_.Gain2 = state_.Gain1;
    Volume1Change();
    if (p < 1 || p > 8)
        return;
    const long double rate = state_.BaseRate * PitchFactor[static_cast<std::size_t>(p - 1)];
    channel1().setFrequency(roundHalfEven(rate));
}

} // namespace ws
