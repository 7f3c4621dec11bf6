// The time stretch as the player's scans use it, and its search kernel.
// Scans: output frames per second while scanning forwards or backwards at
// 7 times (the splice window cannot span such hops, so every segment
// fetches its own stretch of input) and while ramping from a scan back to
// normal play; real time at 44100 Hz is 44100 frames a second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "effects/LCorrelate.h"
#include "effects/LSRCTimeStretch.h"

using namespace sondrel;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = 60 * kRate;

// A minute of two swelling tones over a low noise floor, stereo.
const std::vector<int32_t>& Input() {
    static const std::vector<int32_t> v = [] {
        std::vector<int32_t> r(size_t(kFrames) * 2);
        uint32_t noise = 1;
        for (int32_t i = 0; i < kFrames; ++i) {
            const double t = double(i) / kRate;
            const double env = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 0.2 * t);
            const double s = env * (200000 * std::sin(2 * std::numbers::pi * 220 * t) +
                                    100000 * std::sin(2 * std::numbers::pi * 330 * t));
            noise = noise * 1664525u + 1013904223u;
            r[size_t(i) * 2] = int32_t(s) + (int32_t(noise) >> 22);
            r[size_t(i) * 2 + 1] = int32_t(-s / 2) + (int32_t(noise) >> 22);
        }
        return r;
    }();
    return v;
}

class MemSource : public LSoundSourceBase {
public:
    MemSource() : LSoundSourceBase(kRate, 2, kMax16) {}
    void Read(int32_t* buffer, int32_t n) override {
        const auto& v = Input();
        for (int32_t i = 0; i < n; ++i, ++pos_) {
            bool in = pos_ >= 0 && pos_ < kFrames;
            buffer[2 * i] = in ? v[size_t(pos_) * 2] : 0;
            buffer[2 * i + 1] = in ? v[size_t(pos_) * 2 + 1] : 0;
        }
    }
    int32_t GetPosition() override { return pos_; }
    int32_t GetLength() override { return kFrames; }
    void Seek(int32_t p) override { pos_ = p; }

private:
    int32_t pos_ = 0;
};

// Reads one second of output at a time (in the player's 100 ms buffers)
// from a stretch started at the middle of the input.
void Scan(benchmark::State& state, double factor, double target, int32_t rampMs) {
    Input();
    std::vector<int32_t> buf(size_t(kRate / 10) * 2);
    int64_t frames = 0;
    for (auto _ : state) {
        LSRCTimeStretch ts(LSoundSourcePtr(new MemSource), factor, target, rampMs);
        ts.Seek(kFrames / 2);
        for (int i = 0; i < 10; ++i) {
            ts.Read(buf.data(), kRate / 10);
            benchmark::DoNotOptimize(buf.data());
        }
        frames += kRate;
    }
    state.SetItemsProcessed(frames);
}

void BM_ScanForward7(benchmark::State& state) { Scan(state, 7.0, 7.0, 0); }
BENCHMARK(BM_ScanForward7)->Unit(benchmark::kMillisecond);

void BM_ScanBackward7(benchmark::State& state) { Scan(state, -7.0, -7.0, 0); }
BENCHMARK(BM_ScanBackward7)->Unit(benchmark::kMillisecond);

void BM_ScanBackward7ToPlay(benchmark::State& state) { Scan(state, -7.0, 1.0, 500); }
BENCHMARK(BM_ScanBackward7ToPlay)->Unit(benchmark::kMillisecond);

void BM_Slow50(benchmark::State& state) { Scan(state, 0.5, 0.5, 0); }
BENCHMARK(BM_Slow50)->Unit(benchmark::kMillisecond);

// One coarse search's inner products: 369 shifts of a 128-sample stretch
// (a segment and a half either way at 44100 Hz, decimated by 4).
void Correlate(benchmark::State& state, LCorrelateKernel which) {
    LCorrelateFn fn = CorrelateKernel(which);
    if (!fn) {
        state.SkipWithError("not in this build");
        return;
    }
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> d(-2048, 2047);
    std::vector<int16_t> a(128), x(369 + 128);
    for (auto& s : a) s = int16_t(d(rng));
    for (auto& s : x) s = int16_t(d(rng));
    std::vector<int32_t> out(369);
    for (auto _ : state) {
        fn(a.data(), x.data(), 128, 369, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 369 * 128);
}

void BM_CorrelatePortable(benchmark::State& state) { Correlate(state, LCorrelateKernel::kPortable); }
BENCHMARK(BM_CorrelatePortable);

void BM_CorrelateSSE2(benchmark::State& state) { Correlate(state, LCorrelateKernel::kSSE2); }
BENCHMARK(BM_CorrelateSSE2);

}  // namespace
