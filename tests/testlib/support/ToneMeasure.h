// Measures a tone's strongest frequency precisely enough to tell a pitch off
// by a few hundredths of a percent: a Hann-windowed FFT finds the strongest
// bin, then the windowed DFT is evaluated between its neighbours and its
// maximum located by golden-section search. Used by the speed and pitch
// tests and by the measuring tool beside the benchmarks.
#pragma once
#include <cmath>
#include <complex>
#include <cstddef>
#include <utility>
#include <vector>

namespace sondrel::test {

namespace tone_detail {

constexpr double kPi = 3.14159265358979323846;

inline std::vector<double> Hann(const std::vector<double>& x) {
    std::vector<double> y(x.size());
    const double n = double(x.size());
    for (size_t i = 0; i < x.size(); ++i) y[i] = x[i] * (0.5 - 0.5 * std::cos(2 * kPi * (double(i) + 0.5) / n));
    return y;
}

// |DFT| of y at frequency hz (any real frequency, not only bins).
inline double Magnitude(const std::vector<double>& y, double hz, double rate) {
    // The phasor is advanced by a recurrence and renewed every 1024 steps to
    // keep its rounding from drifting.
    const double step = -2 * kPi * hz / rate;
    const std::complex<double> rot = std::polar(1.0, step);
    std::complex<double> acc(0), ph(1);
    for (size_t i = 0; i < y.size(); ++i) {
        if ((i & 1023) == 0) ph = std::polar(1.0, step * double(i));
        acc += y[i] * ph;
        ph *= rot;
    }
    return std::abs(acc);
}

}  // namespace tone_detail

// In-place radix-2 FFT; the size must be a power of two.
inline void Fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> wl = std::polar(1.0, -2 * tone_detail::kPi / double(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1);
            for (size_t j = 0; j < len / 2; ++j) {
                auto u = a[i + j], v = a[i + j + len / 2] * w;
                a[i + j] = u + v;
                a[i + j + len / 2] = u - v;
                w *= wl;
            }
        }
    }
}

// Frequency in Hz of the strongest component of x (0 for fewer than 64 samples).
inline double StrongestFrequency(const std::vector<double>& x, double rate) {
    using namespace tone_detail;
    if (x.size() < 64) return 0;
    const std::vector<double> y = Hann(x);
    size_t n = 1;
    while (n < y.size()) n *= 2;
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < y.size(); ++i) a[i] = y[i];
    Fft(a);
    size_t best = 1;
    for (size_t i = 1; i < n / 2; ++i)
        if (std::abs(a[i]) > std::abs(a[best])) best = i;
    const double bin = rate / double(n);
    double lo = (double(best) - 1) * bin, hi = (double(best) + 1) * bin;
    const double g = (std::sqrt(5.0) - 1) / 2;
    double c = hi - g * (hi - lo), d = lo + g * (hi - lo);
    double mc = Magnitude(y, c, rate), md = Magnitude(y, d, rate);
    while (hi - lo > 1e-4 * bin) {
        if (mc > md) {
            hi = d;
            d = c;
            md = mc;
            c = hi - g * (hi - lo);
            mc = Magnitude(y, c, rate);
        } else {
            lo = c;
            c = d;
            mc = md;
            d = lo + g * (hi - lo);
            md = Magnitude(y, d, rate);
        }
    }
    return (lo + hi) / 2;
}

}  // namespace sondrel::test
