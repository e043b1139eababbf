// A sound card for the manual back end: renders whatever device is current on a thread of
// its own, about as fast as it would play, as SDL's thread does, and keeps the left side.
#pragma once

#include "audio/ManualSoundSystem.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace ws::test {

class SoundCard {
public:
    explicit SoundCard(ManualSoundSystem& system) : thread_([this, &system] { run(system); }) {}
    ~SoundCard() { stop(); }
    // Returns once `frames` more have been played.
    void playOn(std::size_t frames) {
        for (const std::size_t from = rendered_; rendered_ < from + frames;)
            std::this_thread::yield();
    }
    // What it played, once it has stopped.
    std::vector<int16_t> stop() {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
        return heard_;
    }

private:
    static constexpr std::size_t Block = 441; // the manual device's period
    void run(ManualSoundSystem& system) {
        for (std::vector<int16_t> out(2 * Block); !done_;
             std::this_thread::sleep_for(std::chrono::milliseconds(5))) // a recording keeps up
            if (system.renderCurrent(out.data(), Block)) {
                for (std::size_t i = 0; i < Block; ++i)
                    heard_.push_back(out[2 * i]);
                rendered_ += Block;
            }
    }

    std::vector<int16_t> heard_; // the card thread's until it has stopped
    std::atomic<std::size_t> rendered_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

} // namespace ws::test
