// Writes the demo sound sets: `make_demo_sets <folder>` creates <folder>/<set>/<file> for
// every entry of the tone table (DemoTones.cpp), replacing any earlier sets there. Each
// file is synthesised to sound like what it stands for, around a tone at its own
// fundamental that is the strongest peak of its spectrum. The output is the same on
// every run: all noise comes from fixed seeds.
#include "DemoTones.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <sndfile.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using ws::demo::DemoFile;
using ws::demo::DemoSound;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double PeakLevel = 0.8; // of full scale, leaving headroom for the mixer

using Signal = std::vector<double>;

// xorshift64*: a fixed, portable sequence (the standard distributions are not).
class Noise {
public:
    explicit Noise(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    double next() { // uniform in [-1, 1)
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        const uint64_t x = state_ * 0x2545F4914F6CDD1Dull;
        return double(x >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }

private:
    uint64_t state_;
};

uint64_t seedFor(const DemoFile& f, int channel) {
    uint64_t h = 1469598103934665603ull; // FNV-1a over set, path and channel
    for (char c : std::string(f.set) + "/" + std::string(f.path) + char('0' + channel)) {
        h ^= uint8_t(c);
        h *= 1099511628211ull;
    }
    return h;
}

// A smooth pulse over one period (p in [0, 1)): rises from 0 to 1 at p = a and dies
// away to almost nothing before the next one, so pulses repeat without a step.
double pulse(double p, double a) {
    return p / a * std::exp(1.0 - p / a);
}

double fraction(double x) {
    return x - std::floor(x);
}

class Synth {
public:
    explicit Synth(const DemoFile& f)
        : n_(f.frames()), rate_(f.rate), loop_(f.loop()),
          // Frequencies of loops are kept to whole periods of the loop's length.
          grid_(loop_ ? 1.0 / f.seconds : 0.5) {}

    long size() const { return n_; }
    double time(long i) const { return double(i) / rate_; }

    // A sine, left out where the rate cannot carry it.
    double sine(double hz, long i) const {
        if (hz <= 0 || hz >= 0.45 * rate_)
            return 0.0;
        return std::sin(2.0 * Pi * hz * double(i) / rate_);
    }
    // A tone with the given harmonic amplitudes (first entry: the fundamental itself).
    double harmonics(double hz, std::initializer_list<double> amplitudes, long i) const {
        double sum = 0.0;
        int k = 1;
        for (double a : amplitudes)
            sum += a * sine(hz * k++, i);
        return sum;
    }
    // A frequency near `hz` that keeps a loop seamless.
    double onGrid(double hz) const { return std::round(hz / grid_) * grid_; }

    // Noise between two corner frequencies, RMS 1. A loop's noise is filtered round the
    // loop (the filters run over it twice), so its end flows into its start.
    Signal noise(uint64_t seed, double lowHz, double highHz) const {
        Noise gen(seed);
        Signal white(static_cast<size_t>(n_));
        for (double& v : white)
            v = gen.next();
        const double aLow = 1.0 - std::exp(-2.0 * Pi * lowHz / rate_);
        const double aHigh = 1.0 - std::exp(-2.0 * Pi * std::min(highHz, 0.45 * rate_) / rate_);
        Signal out(white.size());
        double lowState = 0.0, highState = 0.0;
        for (int pass = loop_ ? 2 : 1; pass > 0; --pass) {
            for (size_t i = 0; i < white.size(); ++i) {
                lowState += aLow * (white[i] - lowState);
                highState += aHigh * ((white[i] - lowState) - highState);
                out[i] = highState;
            }
        }
        double power = 0.0;
        for (double v : out)
            power += v * v;
        const double rms = std::sqrt(power / double(std::max<size_t>(out.size(), 1)));
        if (rms > 0)
            for (double& v : out)
                v /= rms;
        return out;
    }

private:
    long n_;
    double rate_;
    bool loop_;
    double grid_;
};

double smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

// Diesel: a rumble of the firing frequency and its harmonics, beating at the firing
// rate, over low engine noise.
Signal diesel(const DemoFile& f, const Synth& s, uint64_t seed) {
    const Signal noise = s.noise(seed, 20.0, 500.0);
    Signal x(size_t(s.size()));
    const double pulseHz = s.onGrid(f.pulseHz);
    const double total = f.seconds;
    for (long i = 0; i < s.size(); ++i) {
        const double t = s.time(i);
        const double beat = pulse(fraction(pulseHz * t), 0.25);
        double tone = s.harmonics(f.hz, {1.0, 0.4, 0.25, 0.12}, i) *
                      (1.0 + 0.3 * std::sin(2.0 * Pi * pulseHz * t));
        double rumble = 0.25 * noise[size_t(i)] * (0.6 + 0.4 * beat);
        switch (f.sound) {
        case DemoSound::DieselRampUp:
            tone *= 0.55 + 0.45 * smoothstep(t / total);
            break;
        case DemoSound::DieselRampDown:
            tone *= 1.0 - 0.45 * smoothstep(t / total);
            break;
        case DemoSound::DieselStart: {
            // The starter cranks for 0.7 s, then the engine catches.
            const double crank = pulse(fraction(pulseHz * t), 0.2);
            const double caught = smoothstep((t - 0.7) / 0.4);
            tone *= 0.15 + 0.85 * caught;
            rumble = 0.3 * noise[size_t(i)] * (caught * (0.6 + 0.4 * beat) + (1 - caught) * crank);
            break;
        }
        case DemoSound::DieselStop: {
            const double dying = std::exp(-2.2 * t / total);
            tone *= dying;
            rumble *= dying;
            break;
        }
        default:
            break;
        }
        x[size_t(i)] = tone + rumble;
    }
    return x;
}

// Electric: a motor whine with a quarter-frequency hum and a little brush noise.
Signal electric(const DemoFile& f, const Synth& s, uint64_t seed) {
    const Signal noise = s.noise(seed, 2000.0, 8000.0);
    Signal x(size_t(s.size()));
    const double hum = s.onGrid(f.hz / 4.0), wobble = s.onGrid(f.pulseHz);
    for (long i = 0; i < s.size(); ++i) {
        const double t = s.time(i);
        x[size_t(i)] =
            s.harmonics(f.hz, {1.0, 0.3, 0.1}, i) * (1.0 + 0.1 * std::sin(2.0 * Pi * wobble * t)) +
            0.2 * s.sine(hum, i) + 0.08 * noise[size_t(i)];
    }
    return x;
}

// Steam: bursts of exhaust noise (one beat, or beats at the loop's rate), a hiss, or the
// thump of the air pump, each carrying a whistle at the file's fundamental.
Signal steam(const DemoFile& f, const Synth& s, uint64_t seed) {
    Signal x(size_t(s.size()));
    const double rate = s.onGrid(f.pulseHz);
    switch (f.sound) {
    case DemoSound::SteamBeat: {
        const Signal noise = s.noise(seed, 200.0, 4000.0);
        for (long i = 0; i < s.size(); ++i) {
            const double t = s.time(i);
            const double attack = 1.0 - std::exp(-t / 0.004);
            x[size_t(i)] = 0.6 * noise[size_t(i)] * attack * std::exp(-t / 0.09) +
                           0.5 * s.harmonics(f.hz, {1.0, 0.3}, i) * attack * std::exp(-t / 0.15);
        }
        break;
    }
    case DemoSound::SteamLoop: {
        const Signal noise = s.noise(seed, 200.0, 5000.0);
        for (long i = 0; i < s.size(); ++i) {
            const double beat = pulse(fraction(rate * s.time(i)), 0.15);
            x[size_t(i)] = noise[size_t(i)] * (0.15 + 0.7 * beat) +
                           0.45 * s.harmonics(f.hz, {1.0, 0.25}, i) * (0.8 + 0.2 * beat);
        }
        break;
    }
    case DemoSound::SteamHiss: {
        const Signal noise = s.noise(seed, 1500.0, 12000.0);
        for (long i = 0; i < s.size(); ++i)
            x[size_t(i)] = 0.35 * noise[size_t(i)] + 0.3 * s.harmonics(f.hz, {1.0, 0.15}, i);
        break;
    }
    default: { // the air pump
        const Signal noise = s.noise(seed, 100.0, 2000.0);
        for (long i = 0; i < s.size(); ++i) {
            const double thump = pulse(fraction(rate * s.time(i)), 0.3);
            x[size_t(i)] = noise[size_t(i)] * (0.1 + 0.5 * thump) +
                           s.harmonics(f.hz, {0.5, 0.15}, i) * (0.7 + 0.3 * thump);
        }
        break;
    }
    }
    return x;
}

// Horn: a three-note chord (root, major third, fifth) of reedy tones, the root loudest.
Signal horn(const DemoFile& f, const Synth& s, uint64_t seed) {
    const Signal breath = s.noise(seed, 500.0, 6000.0);
    const double notes[] = {f.hz, s.onGrid(f.hz * 1.26), s.onGrid(f.hz * 1.498)};
    const double levels[] = {1.0, 0.5, 0.4};
    Signal x(size_t(s.size()));
    for (long i = 0; i < s.size(); ++i) {
        const double t = s.time(i);
        double chord = 0.0;
        for (int n = 0; n < 3; ++n)
            chord += levels[n] * s.harmonics(notes[n], {1.0, 0.3, 0.15, 0.08}, i);
        double level = 1.0;
        switch (f.sound) {
        case DemoSound::Horn:
            level =
                (1.0 - std::exp(-t / 0.03)) * (1.0 - smoothstep((t - (f.seconds - 0.25)) / 0.25));
            break;
        case DemoSound::HornStart:
            level = 1.0 - std::exp(-t / 0.03);
            break;
        case DemoSound::HornStop:
            level = t < 0.2 ? 1.0 : std::exp(-(t - 0.2) / 0.15);
            break;
        default:
            break;
        }
        x[size_t(i)] = level * (chord + 0.03 * breath[size_t(i)]);
    }
    return x;
}

// Bell: struck at its own rate; inharmonic partials (hum, prime, tierce, quint, nominal)
// that die away before the next stroke, the prime loudest.
Signal bell(const DemoFile& f, const Synth& s) {
    struct Partial {
        double ratio, level, decay;
    };
    const Partial partials[] = {
        {0.5, 0.25, 0.8}, {1.0, 1.0, 0.5}, {1.2, 0.35, 0.3}, {1.5, 0.25, 0.3}, {2.0, 0.4, 0.25}};
    const double period = 1.0 / s.onGrid(f.pulseHz);
    Signal x(size_t(s.size()));
    for (long i = 0; i < s.size(); ++i) {
        // Strokes fall half a period in, so the loop's ends ring on rather than fall silent.
        const double p = std::fmod(s.time(i) + 0.5 * period, period); // since the stroke
        const double attack = 1.0 - std::exp(-p / 0.002);
        double sum = 0.0;
        for (const Partial& q : partials) {
            // Shifted so that each stroke has fully died away when the next one falls.
            const double tail = std::exp(-period / q.decay);
            const double env = (std::exp(-p / q.decay) - tail) / (1.0 - tail);
            sum += q.level * env * s.sine(s.onGrid(f.hz * q.ratio), i);
        }
        x[size_t(i)] = attack * sum;
    }
    return x;
}

Signal synthesize(const DemoFile& f, int channel) {
    const Synth s(f);
    const uint64_t seed = seedFor(f, channel);
    switch (f.sound) {
    case DemoSound::DieselIdle:
    case DemoSound::DieselRampUp:
    case DemoSound::DieselRampDown:
    case DemoSound::DieselStart:
    case DemoSound::DieselStop:
        return diesel(f, s, seed);
    case DemoSound::ElectricWhine:
        return electric(f, s, seed);
    case DemoSound::SteamBeat:
    case DemoSound::SteamLoop:
    case DemoSound::SteamHiss:
    case DemoSound::SteamStationary:
        return steam(f, s, seed);
    case DemoSound::Horn:
    case DemoSound::HornStart:
    case DemoSound::HornLoop:
    case DemoSound::HornStop:
        return horn(f, s, seed);
    case DemoSound::Bell:
        return bell(f, s);
    }
    throw std::logic_error("no synthesis for this kind of sound");
}

// One-shots start and end in silence: 10 ms in, 40 ms out, raised-cosine.
void fadeEnds(Signal& x, double rate) {
    const auto ramp = [&](size_t len, auto index) {
        len = std::min(len, x.size() / 2);
        for (size_t k = 0; k < len; ++k)
            x[index(k)] *= 0.5 - 0.5 * std::cos(Pi * double(k) / double(len));
    };
    ramp(size_t(0.010 * rate), [](size_t k) { return k; });
    ramp(size_t(0.040 * rate), [&](size_t k) { return x.size() - 1 - k; });
}

void writeDemoFile(const fs::path& root, const DemoFile& f) {
    std::vector<Signal> channels;
    double peak = 0.0;
    for (int c = 0; c < f.channels; ++c) {
        channels.push_back(synthesize(f, c));
        if (!f.loop())
            fadeEnds(channels.back(), f.rate);
        for (double v : channels.back())
            peak = std::max(peak, std::abs(v));
    }
    const double gain = peak > 0 ? PeakLevel / peak : 0.0;

    // Interleaved 16-bit samples; 8-bit files get values the file's 8 bits hold exactly,
    // so the library's narrowing loses nothing.
    const long frames = f.frames();
    std::vector<short> pcm(size_t(frames) * size_t(f.channels));
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < f.channels; ++c) {
            const double v = channels[size_t(c)][size_t(i)] * gain;
            pcm[size_t(i) * size_t(f.channels) + size_t(c)] =
                f.bits == 8 ? short(std::lround(v * 127.0) * 256) : short(std::lround(v * 32767.0));
        }

    const fs::path file = root / std::string(f.set) / std::string(f.path);
    fs::create_directories(file.parent_path());
    SF_INFO info{};
    info.channels = f.channels;
    info.samplerate = f.rate;
    info.format = SF_FORMAT_WAV | (f.bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    SNDFILE* out = sf_open(file.string().c_str(), SFM_WRITE, &info);
    if (!out)
        throw std::runtime_error(file.string() + ": " + sf_strerror(nullptr));
    const sf_count_t written = sf_writef_short(out, pcm.data(), frames);
    const std::string error = written == frames ? "" : sf_strerror(out);
    if (sf_close(out) != 0 || written != frames)
        throw std::runtime_error(file.string() + ": cannot write: " + error);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_demo_sets <output folder>\n";
        return 2;
    }
    try {
        const fs::path root(argv[1]);
        // Start each set afresh so that no file of an earlier table is left behind to
        // change how a folder is recognised.
        for (std::string_view set : ws::demo::demoSets())
            fs::remove_all(root / std::string(set));
        for (const DemoFile& f : ws::demo::demoFiles())
            writeDemoFile(root, f);
    } catch (const std::exception& e) {
        std::cerr << "make_demo_sets: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
