// What the sound logic asks of a playback channel: open a file, loop it or not, set its
// attenuation and rate, play and stop it, and follow its position. MixerChannel is the real
// one; the sound logic's tests use a scripted fake with a fake clock.
//
// Threads: the user-interface thread only (an implementation may stream on threads of its
// own behind these calls).
#pragma once

#include <cstdint>
#include <string>

namespace ws {

class SoundChannel {
public:
    virtual ~SoundChannel() = default;

    // The open file; empty when none.
    virtual const std::string& FileName() const = 0;
    // Stops, closes the current file and resets Volume, Pan, Frequency and Loop; then opens
    // `name` unless it is empty. Raises when the file cannot be opened or played.
    virtual void setFileName(const std::string& name) = 0;
    virtual bool Loop() const = 0;
    virtual void setLoop(bool value) = 0;
    // Attenuation in hundredths of a dB (0 full level, -10000 silence).
    virtual int32_t Volume() const = 0;
    virtual void setVolume(int32_t value) = 0;
    // Playback rate in Hz. A rate set while a file is open applies from then on, also when
    // the channel has not played yet; opening a file goes back to the file's own rate.
    virtual int32_t Frequency() const = 0;
    virtual void setFrequency(int32_t value) = 0;
    // Plays from the current position (the file's start after opening or stopping);
    // nothing when already playing. Raises "No file opened" without a file.
    virtual void play() = 0;
    // Stops and rewinds to the file's start.
    virtual void stop() = 0;
    // True from play until stop, or until a file that does not loop has ended and the
    // channel stopped by itself. Answers at once, also while the channel is busy.
    virtual bool isPlaying() const = 0;
    // The file time being heard in ms; 0 when stopped (also after a file that does not
    // loop has ended and stopped by itself).
    virtual int32_t Position() const = 0;
    // Length of the open file in ms, and its sample rate in Hz (both kept after closing).
    virtual int32_t Duration() const = 0;
    virtual uint32_t SamplesPerSec() const = 0;
};

} // namespace ws
