// The manual sound back end played as a sound card would while a window test waits, and
// the files the window's channels open, noted as they change.
#pragma once

#include "audio/ManualSoundSystem.h"
#include "audio/MixerChannel.h"
#include "audio/SoundDevice.h"
#include "shell/MainWindow.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace ws::test {

inline ManualDevice* device() {
    auto* system = dynamic_cast<ManualSoundSystem*>(&soundSystem());
    return system ? system->current() : nullptr;
}

// `frames` of the device's output, its channels averaged.
inline std::vector<float> render(ManualDevice& device, std::size_t frames) {
    WaveFormat format;
    if (device.primaryFormat(&format) != 0 || format.nChannels == 0)
        return {};
    std::vector<float> out(frames * format.nChannels);
    device.renderFloat(out.data(), frames);
    std::vector<float> mono(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < format.nChannels; ++c)
            sum += out[i * format.nChannels + c];
        mono[i] = sum / float(format.nChannels);
    }
    return mono;
}

inline std::string nameOf(const MixerChannel* channel) {
    return channel ? std::filesystem::path(channel->FileName()).filename().string() : "?";
}

// Plays the manual device as a sound card would while the test waits, on every pass of
// the event loop (also the passes that handlers run inside themselves): it renders the
// time passed since the last pass, at most 20 ms at a time, so a stalled test hears late
// instead of skipping sound. It notes each file the channels open, in order.
class Listener {
public:
    explicit Listener(MainWindow& window) : window_(window) {
        clock_.start();
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { pass(); });
        timer_.start();
    }

    std::vector<std::string> opened1, opened2;

    // Notes what the channels have open now.
    void look() {
        note(opened1, nameOf(window_.mixerChannel1()));
        note(opened2, nameOf(window_.mixerChannel2()));
    }

private:
    void pass() {
        look();
        const qint64 now = clock_.elapsed();
        const qint64 due = std::min<qint64>(now - last_, 20);
        if (due <= 0)
            return;
        last_ = now;
        if (ManualDevice* d = device())
            render(*d, std::size_t(due) * 44100 / 1000);
    }
    static void note(std::vector<std::string>& opened, const std::string& name) {
        if (!name.empty() && name != "?" && (opened.empty() || opened.back() != name))
            opened.push_back(name);
    }

    MainWindow& window_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
};

} // namespace ws::test
