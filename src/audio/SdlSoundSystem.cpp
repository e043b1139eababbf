// SDL2 device list, device opening with driver fallback, and the devices themselves.
#include "SdlSoundSystem.h"

#include "CallbackPacing.h"
#include "MixingDevice.h"
#include "SoftwareMixer.h"
#include "ThreadPriority.h"

#include "SdlLibrary.h"

#include <QByteArray>
#include <QDebug>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#ifdef __linux__
#include <sched.h>
#include <unistd.h>
#endif

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
    const char* driver() {
        std::lock_guard lock(mutex_);
        const char* name = started_ ? sdl_->GetCurrentAudioDriver() : nullptr;
        return name ? name : "no driver";
    }

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

// The period devices open with, and the server buffer they ask for; any thread.
std::atomic<uint16_t> openingPeriod{SdlSoundSystem::DevicePeriod};
std::atomic<unsigned> serverBufferMs{SdlSoundSystem::ServerBufferMs};
// False where the user's environment sets the server buffer: it is theirs to choose.
std::atomic<bool> serverBufferOurs{false};
// A server buffer grown beyond this would be heard as an echo of the key.
constexpr unsigned MostServerBufferMs = 200;

// libpulse reads this when a stream connects, over the buffer SDL asks for.
void askServerBuffer(unsigned ms) {
    qputenv("PULSE_LATENCY_MSEC", QByteArray::number(ms));
}

bool sameLayout(const WaveFormat& a, const WaveFormat& b) {
    return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
           a.wBitsPerSample == b.wBitsPerSample;
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long currentThreadId() {
#ifdef __linux__
    return static_cast<long>(::gettid());
#else
    return 1; // real-time scheduling is asked for on Linux only
#endif
}

// RealtimeKit through SDL, which speaks D-Bus to it.
int askRealtimeKit(long tid) {
#ifdef __linux__
    const SdlLibrary* sdl = SdlLibrary::load();
    if (!sdl || !sdl->LinuxSetThreadPriorityAndPolicy)
        return -1;
    return sdl->LinuxSetThreadPriorityAndPolicy(tid, SDL_THREAD_PRIORITY_TIME_CRITICAL, SCHED_FIFO);
#else
    (void)tid;
    return -1;
#endif
}

// Until setPrimaryFormat asks for another, a device opens in this format.
WaveFormat openingFormat() {
    return WaveFormat::pcm(2, 44100, 16);
}

// An SDL device whose callback renders the mix; a new primary format reopens it, and so
// does a longer period after the server ran dry.
//
// Threads: callbackThread_ and ranDry_ are written by the callback and read by the thread
// that opened the stream; pacing_ and frameBytes_ belong to the callback while the stream
// is open and are reset only while it is closed.
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
        want.samples = openingPeriod.load();
        want.callback = &SdlDevice::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        const SDL_AudioDeviceID dev = audio_->open(id_, want, &have);
        if (dev == 0)
            return false;
        dev_ = dev;
        frameBytes_ = static_cast<uint32_t>(have.channels) * (format.wBitsPerSample / 8);
        pacing_ = CallbackPacing(have.freq, bufferedFrames(have));
        callbackThread_.store(0);
        ranDry_.store(0);
        period_ = have.samples;
        mixer().setOutputFormat(WaveFormat::pcm(have.channels, static_cast<uint32_t>(have.freq),
                                                format.wBitsPerSample));
        mixer().setPeriod(have.samples);
        // Outside SdlAudio's mutex, like the start below: see SdlSoundSystem.h.
        mixer().setLossProbe([dev, status = audio_->sdl().GetAudioDeviceStatus] {
            return status(dev) == SDL_AUDIO_STOPPED;
        });
        audio_->sdl().PauseAudioDevice(dev_, 0);
        raiseMixingThread(have);
        return true;
    }

    int32_t createSoundBuffer(const WaveFormat& format, uint32_t bytes,
                              std::unique_ptr<SoundBuffer>* out) override {
        // A new sound is where a longer period costs least: whatever plays is cut for the
        // moment the stream takes to reopen, once, instead of at every gap to come.
        growPeriodIfRunningDry();
        return MixingDevice::createSoundBuffer(format, bytes, out);
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
        const std::size_t frames = static_cast<std::size_t>(len) / self->frameBytes_;
        if (self->callbackThread_.load(std::memory_order_relaxed) == 0)
            self->callbackThread_.store(currentThreadId());
        if (self->pacing_.ranDry(steadySeconds(), frames))
            self->ranDry_.fetch_add(1, std::memory_order_relaxed);
        self->mixer().render(stream, frames);
    }

    // What the server holds ahead of the device at most: the buffer asked of PulseAudio
    // over the period, or SDL's own two periods elsewhere.
    double bufferedFrames(const SDL_AudioSpec& have) {
        const double periods = 2.0 * have.samples;
        if (std::strcmp(audio_->driver(), "pulseaudio") != 0)
            return periods;
        const double ms = qEnvironmentVariableIntValue("PULSE_LATENCY_MSEC");
        return std::max(periods, ms * have.freq / 1000.0 + have.samples);
    }

    // Once the callback has run and named its thread: real-time scheduling for it, and a
    // line in the log that says how the device plays.
    void raiseMixingThread(const SDL_AudioSpec& have) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        long tid = 0;
        while ((tid = callbackThread_.load()) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const std::string priority =
            tid != 0 ? raiseToRealtime(tid, &askRealtimeKit) : "not started within a second";
        const QString driver = QString::fromUtf8(audio_->driver());
        const QString buffer = driver == QLatin1String("pulseaudio")
                                   ? QStringLiteral(" into a %1 ms server buffer")
                                         .arg(qEnvironmentVariable("PULSE_LATENCY_MSEC"))
                                   : QString();
        qInfo().noquote() << QStringLiteral(
                                 "whistlestop: sound output through %1 at %2 Hz in %3-frame "
                                 "periods (%4 ms)%6; mixing thread %5")
                                 .arg(driver)
                                 .arg(have.freq)
                                 .arg(have.samples)
                                 .arg(1000.0 * have.samples / have.freq, 0, 'f', 1)
                                 .arg(QString::fromStdString(priority), buffer);
    }

    void growPeriodIfRunningDry() {
        const unsigned dry = ranDry_.load();
        if (dev_ == 0 || dry < SdlSoundSystem::DryRunsToGrow ||
            period_ >= SdlSoundSystem::LongestPeriod)
            return;
        const uint16_t from = period_;
        openingPeriod.store(static_cast<uint16_t>(from * 2));
        serverBufferMs.store(std::min(serverBufferMs.load() * 2, MostServerBufferMs));
        if (serverBufferOurs.load())
            askServerBuffer(serverBufferMs.load());
        qWarning().noquote() << QStringLiteral(
                                    "whistlestop: the sound server ran dry %1 times with "
                                    "%2-frame periods; trying %3")
                                    .arg(dry)
                                    .arg(from)
                                    .arg(from * 2);
        ranDry_.store(0); // told here, not again as the stream closes
        closeStream();
        if (!openStream(requestedFormat_))
            mixer().markLost();
    }

    void closeStream() {
        if (dev_ == 0)
            return;
        mixer().setLossProbe(nullptr);
        audio_->close(dev_);
        dev_ = 0;
        if (const unsigned dry = ranDry_.load(); dry > 0)
            qWarning().noquote() << QStringLiteral("whistlestop: the sound server ran dry %1 "
                                                   "times with %2-frame periods")
                                        .arg(dry)
                                        .arg(period_);
    }

    std::shared_ptr<SdlAudio> audio_;
    const std::string id_;
    SDL_AudioDeviceID dev_ = 0;
    uint32_t frameBytes_ = 4; // written only while the stream is closed
    CallbackPacing pacing_{44100.0, 0.0};
    std::atomic<long> callbackThread_{0}; // the callback's kernel thread id, once it ran
    std::atomic<unsigned> ranDry_{0};     // times the server ran dry since the stream opened
    uint16_t period_ = 0;                 // the open stream's period
    WaveFormat requestedFormat_ = openingFormat();
};

} // namespace

void SdlSoundSystem::prepareProcess() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!qEnvironmentVariableIsEmpty("PULSE_LATENCY_MSEC"))
            return;
        serverBufferOurs.store(true);
        askServerBuffer(serverBufferMs.load());
    });
}

SdlSoundSystem::SdlSoundSystem() : audio_(SdlAudio::instance()) {
    prepareProcess();
}

uint16_t SdlSoundSystem::startingPeriod() {
    return openingPeriod.load();
}

void SdlSoundSystem::setStartingPeriod(uint16_t frames) {
    openingPeriod.store(std::clamp<uint16_t>(frames, 64, LongestPeriod));
}

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
