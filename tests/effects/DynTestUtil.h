// Measurements for the dynamics and speed tests: levels, frequency by zero
// crossings, and a progress double that cancels after a number of polls.
#pragma once
#include <cmath>
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
