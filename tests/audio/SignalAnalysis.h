// Measurements on rendered audio for the mixer tests: a least-squares sine fit (SINAD) and
// a click detector (notch out the test tone, high-pass what is left, take the peak).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace ws::test {

inline constexpr double Pi = 3.14159265358979323846;

// Tone power over the power of what a least-squares fit of a sine at `cyclesPerSample`
// (plus an offset) leaves, in dB.
inline double sinadDb(const std::vector<double>& x, double cyclesPerSample) {
    const double w = 2.0 * Pi * cyclesPerSample;
    double a[3][3] = {}, b[3] = {};
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double v[3] = {std::sin(w * double(n)), std::cos(w * double(n)), 1.0};
        for (int i = 0; i < 3; ++i) {
            b[i] += v[i] * x[n];
            for (int j = 0; j < 3; ++j)
                a[i][j] += v[i] * v[j];
        }
    }
    // Gaussian elimination on the 3x3 normal equations.
    for (int i = 0; i < 3; ++i)
        for (int k = i + 1; k < 3; ++k) {
            const double f = a[k][i] / a[i][i];
            for (int j = i; j < 3; ++j)
                a[k][j] -= f * a[i][j];
            b[k] -= f * b[i];
        }
    double c[3];
    for (int i = 2; i >= 0; --i) {
        double s = b[i];
        for (int j = i + 1; j < 3; ++j)
            s -= a[i][j] * c[j];
        c[i] = s / a[i][i];
    }
    double tone = 0.0, residual = 0.0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double s = c[0] * std::sin(w * double(n)) + c[1] * std::cos(w * double(n));
        tone += s * s;
        const double r = x[n] - s - c[2];
        residual += r * r;
    }
    return 10.0 * std::log10(tone / std::max(residual, 1e-300));
}

// A direct-form biquad in double precision.
struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0, z2 = 0.0;
    double operator()(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

inline Biquad notch(double f0, double rate, double q) {
    const double w = 2.0 * Pi * f0 / rate, alpha = std::sin(w) / (2.0 * q), a0 = 1.0 + alpha;
    return {1.0 / a0, -2.0 * std::cos(w) / a0, 1.0 / a0, -2.0 * std::cos(w) / a0,
            (1.0 - alpha) / a0};
}

inline Biquad highPass(double fc, double rate, double q) {
    const double w = 2.0 * Pi * fc / rate, alpha = std::sin(w) / (2.0 * q), a0 = 1.0 + alpha;
    const double c = std::cos(w);
    return {(1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0, -2.0 * c / a0,
            (1.0 - alpha) / a0};
}

// Peak, in dBFS, of what is left of `x` once the steady tone at `toneHz` is notched out and
// everything below `highPassHz` removed (an 8th-order Butterworth high-pass). A smooth
// change of level keeps its energy next to the tone; a click spreads it far up. The first
// `settle` samples (filters starting up) are not counted.
inline double clickPeakDbfs(const std::vector<double>& x, double rate, double toneHz,
                            double highPassHz, std::size_t settle) {
    Biquad n1 = notch(toneHz, rate, 2.0);
    // Butterworth poles of order 8: Q = 1 / (2 sin((2k+1) pi / 16)).
    std::vector<Biquad> hp;
    for (int k = 0; k < 4; ++k)
        hp.push_back(highPass(highPassHz, rate, 1.0 / (2.0 * std::sin((2 * k + 1) * Pi / 16.0))));
    double peak = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        double y = n1(x[i]);
        for (auto& f : hp)
            y = f(y);
        if (i >= settle)
            peak = std::max(peak, std::abs(y));
    }
    return 20.0 * std::log10(std::max(peak, 1e-30));
}

} // namespace ws::test
