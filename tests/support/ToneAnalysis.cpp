// Tone measurements on recordings; see ToneAnalysis.h.
#include "ToneAnalysis.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace ws::test {

namespace {
constexpr double Pi = 3.14159265358979323846;
constexpr double BlockSeconds = 0.005; // loudness is followed in blocks this long
} // namespace

std::vector<double> monoOf(const std::vector<int16_t>& stereo) {
    std::vector<double> mono(stereo.size() / 2);
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = (double(stereo[2 * i]) + double(stereo[2 * i + 1])) / (2.0 * 32768.0);
    return mono;
}

double toneLevel(const Stretch& s, double hz) {
    const std::size_t n = s.count;
    if (n == 0 || s.from + n > s.x.size())
        return 0.0;
    // The window's and the probe's phasors turn by a fixed step each sample; renormalising
    // now and then keeps their length from drifting over a long stretch.
    const std::complex<double> stepW = std::polar(1.0, 2.0 * Pi / double(n));
    const std::complex<double> stepP = std::polar(1.0, -2.0 * Pi * hz / s.rate);
    std::complex<double> w(1.0, 0.0), p(1.0, 0.0), sum(0.0, 0.0);
    double weight = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double hann = 0.5 - 0.5 * w.real();
        sum += hann * s.x[s.from + i] * p;
        weight += hann;
        w *= stepW;
        p *= stepP;
        if ((i & 1023) == 1023) {
            w /= std::abs(w);
            p /= std::abs(p);
        }
    }
    return 2.0 * std::abs(sum) / weight;
}

double rms(const Stretch& s) {
    if (s.count == 0 || s.from + s.count > s.x.size())
        return 0.0;
    double power = 0.0;
    for (std::size_t i = 0; i < s.count; ++i)
        power += s.x[s.from + i] * s.x[s.from + i];
    return std::sqrt(power / double(s.count));
}

double peakFrequency(const Stretch& s, double lowHz, double highHz) {
    const auto best = [&](double from, double to, double step) {
        double at = from, top = -1.0;
        for (double f = from; f <= to + 1e-9; f += step) {
            const double level = toneLevel(s, f);
            if (level > top) {
                top = level;
                at = f;
            }
        }
        return at;
    };
    const double coarse = best(lowHz, highHz, 1.0);
    return best(coarse - 1.0, coarse + 1.0, 0.05);
}

std::size_t soundStart(const std::vector<double>& x, double rate, double quietRms) {
    const auto block = std::size_t(rate * BlockSeconds);
    for (std::size_t at = 0; at + block <= x.size(); at += block)
        if (rms(Stretch{x, at, block, rate}) >= quietRms) {
            while (std::abs(x[at]) < quietRms)
                ++at;
            return at;
        }
    return x.size();
}

std::vector<std::size_t> onsets(const Stretch& s, double minGapSeconds) {
    const auto block = std::size_t(s.rate * BlockSeconds);
    constexpr std::size_t Lookback = 3; // blocks: 15 ms
    std::vector<double> level;
    for (std::size_t at = 0; at + block <= s.count; at += block)
        level.push_back(rms(Stretch{s.x, s.from + at, block, s.rate}));
    double loudest = 0.0;
    for (double l : level)
        loudest = std::max(loudest, l);
    std::vector<std::size_t> found;
    const auto gap = std::size_t(minGapSeconds * s.rate);
    for (std::size_t k = Lookback; k < level.size(); ++k) {
        const std::size_t at = s.from + k * block;
        if (level[k] < loudest / 3.0 || level[k] < 3.0 * level[k - Lookback])
            continue;
        if (!found.empty() && at - found.back() < gap)
            continue;
        found.push_back(at);
    }
    return found;
}

std::vector<LabelRun> labelRuns(const std::vector<double>& x, double rate, std::size_t window,
                                std::size_t hop, std::size_t minCount,
                                const std::function<int(const Stretch&)>& label) {
    std::vector<LabelRun> all;
    for (std::size_t at = 0, index = 0; at + window <= x.size(); at += hop, ++index) {
        const int l = label(Stretch{x, at, window, rate});
        if (!all.empty() && all.back().label == l)
            ++all.back().count;
        else
            all.push_back({l, index, 1});
    }
    std::vector<LabelRun> kept;
    for (const LabelRun& run : all) {
        if (run.count < minCount)
            continue;
        if (!kept.empty() && kept.back().label == run.label)
            kept.back().count = run.first + run.count - kept.back().first;
        else
            kept.push_back(run);
    }
    return kept;
}

int strongestTone(const Stretch& s, const std::vector<double>& hz, double quietRms) {
    if (rms(s) < quietRms)
        return -1;
    int best = 0;
    double top = -1.0;
    for (std::size_t k = 0; k < hz.size(); ++k) {
        const double level = toneLevel(s, hz[k]);
        if (level > top) {
            top = level;
            best = int(k);
        }
    }
    return best;
}

std::vector<int> labelsFromStart(std::vector<LabelRun>& runs) {
    if (!runs.empty() && runs.front().label == -1)
        runs.erase(runs.begin());
    std::vector<int> order;
    for (const LabelRun& r : runs)
        order.push_back(r.label);
    return order;
}

} // namespace ws::test
