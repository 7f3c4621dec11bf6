// Measurements for the dynamics and speed tests: levels, frequency by DFT
// peak, and a progress double that cancels after a number of polls.
#pragma once
#include <cmath>
#include <complex>
#include <string>
#include <cstdint>
#include <vector>

#include "core/LProgress.h"

namespace sondrel::test {

// One channel of interleaved frames [from, to).
inline std::vector<double> Channel(const std::vector<int32_t>& v, int chans, int ch, size_t from = 0,
                                   size_t to = size_t(-1)) {
    std::vector<double> out;
    size_t frames = v.size() / chans;
    if (to > frames) to = frames;
    for (size_t i = from; i < to; ++i) out.push_back(double(v[i * chans + ch]));
    return out;
}

inline double Rms(const std::vector<double>& x) {
    if (x.empty()) return 0;
    double s = 0;
    for (double d : x) s += d * d;
    return std::sqrt(s / double(x.size()));
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

// Frequency of the strongest component: Hann-windowed FFT over the largest
// power of two of samples, refined by parabolic interpolation of the peak.
inline double PeakFrequency(const std::vector<double>& x, int rate) {
    size_t n = 1;
    while (n * 2 <= x.size()) n *= 2;
    if (n < 64) return 0;
    const double pi = 3.14159265358979323846;
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < n; ++i) a[i] = x[i] * (0.5 - 0.5 * std::cos(2 * pi * double(i) / double(n - 1)));
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        std::complex<double> wl = std::polar(1.0, -2 * pi / double(len));
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
    size_t best = 1;
    for (size_t i = 1; i < n / 2; ++i)
        if (std::abs(a[i]) > std::abs(a[best])) best = i;
    double l = std::log(std::abs(a[best - 1]) + 1e-12), c = std::log(std::abs(a[best]) + 1e-12),
           r = std::log(std::abs(a[best + 1]) + 1e-12);
    double delta = 0.5 * (l - r) / (l - 2 * c + r);
    return (double(best) + delta) * rate / double(n);
}

// Frequency from the count of rising zero crossings.
inline double CrossingFrequency(const std::vector<double>& x, int rate) {
    int rises = 0;
    size_t first = 0, last = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < 0 && x[i] >= 0) {
            if (rises == 0) first = i;
            last = i;
            ++rises;
        }
    }
    if (rises < 2) return 0;
    return double(rises - 1) * rate / double(last - first);
}

// Reports cancel on the n-th poll and every poll after it.
class CancelAfter : public LProgress {
public:
    explicit CancelAfter(int polls) : left_(polls) {}
    bool IsCancelled() override { return --left_ < 0; }
    void SetText(const char* text, int line) override {
        if (line == 0) caption = text;
    }
    void SetProgress(double) override {}
    std::string caption;

private:
    int left_;
};

}  // namespace sondrel::test
