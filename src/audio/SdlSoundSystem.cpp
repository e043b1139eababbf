// SDL2 device list, device opening with driver fallback, and the devices themselves.
#include "SdlSoundSystem.h"

#include "MixingDevice.h"
#include "SoftwareMixer.h"

#include "SdlLibrary.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace ws {

// The process's use of SDL's audio subsystem: started lazily, stopped with the last user.
class SdlAudio {
public:
    static std::shared_ptr<SdlAudio> instance() {
        static std::mutex mutex;
        static std::weak_ptr<SdlAudio> current;
        std::lock_guard lock(mutex);
        auto audio = current.lock();
        if (!audio) {
            audio = std::make_shared<SdlAudio>();
            current = audio;
        }
        return audio;
    }

    ~SdlAudio() {
        if (started_) {
            sdl_->QuitSubSystem(SDL_INIT_AUDIO);
            sdl_->Quit();
        }
    }

    std::vector<OutputDeviceInfo> devices() {
        std::lock_guard lock(mutex_);
        std::vector<OutputDeviceInfo> list{{SdlSoundSystem::DefaultDeviceDescription, ""}};
        if (!start())
            return list;
        const int count = sdl_->GetNumAudioDevices(0);
        for (int i = 0; i < count; ++i)
            if (const char* name = sdl_->GetAudioDeviceName(i, 0))
                list.push_back({name, name});
        return list;
    }

    // Opens an SDL device (0 when none can be opened); the callback starts paused.
    SDL_AudioDeviceID open(const std::string& id, const SDL_AudioSpec& want, SDL_AudioSpec* have) {
        std::lock_guard lock(mutex_);
        if (!start())
            return 0;
        const int flags = SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE;
        const char* name = id.empty() ? nullptr : id.c_str();
        SDL_AudioDeviceID dev = sdl_->OpenAudioDevice(name, 0, &want, have, flags);
        const char* pinned = std::getenv("SDL_AUDIODRIVER");
        if (dev == 0 && name == nullptr && openCount_ == 0 && !(pinned && *pinned)) {
            // Nothing to open on this driver (no card, no server): try the others.
            const char* first = sdl_->GetCurrentAudioDriver();
            const std::string original = first ? first : "";
            for (int i = 0; dev == 0 && i < sdl_->GetNumAudioDrivers(); ++i) {
                const std::string driver = sdl_->GetAudioDriver(i);
                if (driver == "dummy" || driver == "disk" || driver == original)
                    continue;
                sdl_->AudioQuit();
                if (sdl_->AudioInit(driver.c_str()) == 0)
                    dev = sdl_->OpenAudioDevice(nullptr, 0, &want, have, flags);
            }
            if (dev == 0) {
                sdl_->AudioQuit();
                sdl_->AudioInit(original.empty() ? nullptr : original.c_str());
            }
        }
        if (dev == 0 && openCount_ == 0 && started_) {
            // A sound server that went away and came back is reached only by a fresh start
            // of SDL's audio subsystem: its connection to the old one is dead for good.
            sdl_->QuitSubSystem(SDL_INIT_AUDIO);
            started_ = false;
            if (start())
                dev = sdl_->OpenAudioDevice(name, 0, &want, have, flags);
        }
        if (dev != 0)
            ++openCount_;
        return dev;
    }

    void close(SDL_AudioDeviceID dev) {
        std::lock_guard lock(mutex_);
        sdl_->CloseAudioDevice(dev);
        --openCount_;
    }

    // Only for a system that has started (a device exists only then).
    const SdlLibrary& sdl() const { return *sdl_; }

private:
    bool start() {
        if (!started_ && sdl_)
            started_ = sdl_->InitSubSystem(SDL_INIT_AUDIO) == 0;
        return started_;
    }

    const SdlLibrary* const sdl_ = SdlLibrary::load(); // null when SDL2 cannot be loaded
    std::mutex mutex_; // guards every call into SDL's audio subsystem made here
    bool started_ = false;
    int openCount_ = 0;
};

namespace {

bool sameLayout(const WaveFormat& a, const WaveFormat& b) {
    return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
           a.wBitsPerSample == b.wBitsPerSample;
}

// Until setPrimaryFormat asks for another, a device opens in this format.
WaveFormat openingFormat() {
    return WaveFormat::pcm(2, 44100, 16);
}

// An SDL device whose callback renders the mix; a new primary format reopens it.
class SdlDevice final : public MixingDevice<SoundDevice> {
public:
    SdlDevice(std::shared_ptr<SdlAudio> audio, std::string id)
        : MixingDevice(openingFormat()), audio_(std::move(audio)), id_(std::move(id)) {}

    // The base marks the buffers lost once the stream is closed here.
    ~SdlDevice() override { closeStream(); }

    // Opens the stream in `format`; false when SDL cannot.
    bool openStream(const WaveFormat& format) {
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(format.nSamplesPerSec);
        want.format = format.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
        want.channels = static_cast<Uint8>(format.nChannels);
        want.samples = SdlSoundSystem::DevicePeriod;
        want.callback = &SdlDevice::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        const SDL_AudioDeviceID dev = audio_->open(id_, want, &have);
        if (dev == 0)
            return false;
        dev_ = dev;
        frameBytes_ = static_cast<uint32_t>(have.channels) * (format.wBitsPerSample / 8);
        mixer().setOutputFormat(WaveFormat::pcm(have.channels, static_cast<uint32_t>(have.freq),
                                                format.wBitsPerSample));
        mixer().setPeriod(have.samples);
        // Outside SdlAudio's mutex, like the start below: see SdlSoundSystem.h.
        mixer().setLossProbe([dev, status = audio_->sdl().GetAudioDeviceStatus] {
            return status(dev) == SDL_AUDIO_STOPPED;
        });
        audio_->sdl().PauseAudioDevice(dev_, 0);
        return true;
    }

private:
    int32_t applyPrimaryFormat(const WaveFormat& requested) override {
        if (mixer().lost())
            return DeviceResult::BufferLost;
        // Reopening is not free (a sound server may take a while to resume a stream).
        if (sameLayout(requested, requestedFormat_))
            return DeviceResult::Ok;
        const WaveFormat previous = requestedFormat_;
        closeStream();
        if (openStream(requested)) {
            requestedFormat_ = requested;
            return DeviceResult::Ok;
        }
        if (!openStream(previous))
            mixer().markLost();
        return DeviceResult::BadFormat;
    }

    static void SDLCALL callback(void* user, Uint8* stream, int len) {
        auto* self = static_cast<SdlDevice*>(user);
        self->mixer().render(stream, static_cast<std::size_t>(len) / self->frameBytes_);
    }

    void closeStream() {
        if (dev_ == 0)
            return;
        mixer().setLossProbe(nullptr);
        audio_->close(dev_);
        dev_ = 0;
    }

    std::shared_ptr<SdlAudio> audio_;
    const std::string id_;
    SDL_AudioDeviceID dev_ = 0;
    uint32_t frameBytes_ = 4; // written only while the stream is closed
    WaveFormat requestedFormat_ = openingFormat();
};

} // namespace

SdlSoundSystem::SdlSoundSystem() : audio_(SdlAudio::instance()) {}

SdlSoundSystem::~SdlSoundSystem() = default;

std::vector<OutputDeviceInfo> SdlSoundSystem::enumerateDevices() {
    return audio_->devices();
}

int32_t SdlSoundSystem::createDevice(const std::string& id, std::unique_ptr<SoundDevice>* out) {
    if (!out)
        return DeviceResult::InvalidParam;
    auto device = std::make_unique<SdlDevice>(audio_, id);
    if (!device->openStream(openingFormat()))
        return DeviceResult::NoDriver;
    *out = std::move(device);
    return DeviceResult::Ok;
}

} // namespace ws
