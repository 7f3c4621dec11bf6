// Throughput of the dynamics and speed sources over 10 s of stereo audio at
// 44100 Hz, in frames per second (441000 frames per iteration), of the
// player's scans, and of the time stretch's search kernel.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "core/LPump.h"
#include "effects/LCorrelate.h"
#include "effects/LDPAutoGain.h"
#include "effects/LDynamics.h"
#include "effects/LSRCCompressor.h"
#include "effects/LSRCNoiseGates.h"
#include "effects/LSRCTimeStretch.h"
#include "effects/LSpeedPitch.h"

using namespace sondrel;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = 10 * kRate;

// Two tones swelling and fading over a low noise floor, stereo.
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

class NullSink : public LSoundSinkBase {
public:
    NullSink() : LSoundSinkBase(kRate, 2) {}
    void Write(const int32_t* buffer, int32_t n) override {
        benchmark::DoNotOptimize(buffer);
        nPosition += n;
    }
};

// Pumps the source built by make over the input into a sink that drops it.
template <class Make>
void PumpThrough(benchmark::State& state, Make make) {
    Input();
    for (auto _ : state) {
        LPRSourceToSink pump;
        pump.pSource = make(LSoundSourcePtr(new MemSource));
        pump.pSink = LSoundSinkPtr(new NullSink);
        LNullProgress progress;
        if (Process(&progress, pump) != kProcessDone) state.SkipWithError("pump failed");
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}

void BM_Compressor(benchmark::State& state) {
    PumpThrough(state, [](const LSoundSourcePtr& s) { return LSPCompressor(-20, CompressorRatioFactor(2)).OpenSource(s); });
}
BENCHMARK(BM_Compressor)->Unit(benchmark::kMillisecond);

void BM_NoiseGate(benchmark::State& state) {
    PumpThrough(state, [](const LSoundSourcePtr& s) { return LSPNoiseGates(-30).OpenSource(s); });
}
BENCHMARK(BM_NoiseGate)->Unit(benchmark::kMillisecond);

void BM_TimeStretch150(benchmark::State& state) {
    PumpThrough(state, [](const LSoundSourcePtr& s) { return OpenSpeedPitchChain(s, 150, kSpeedPitchConstantPitch); });
}
BENCHMARK(BM_TimeStretch150)->Unit(benchmark::kMillisecond);

void BM_TimeStretch50(benchmark::State& state) {
    PumpThrough(state, [](const LSoundSourcePtr& s) { return OpenSpeedPitchChain(s, 50, kSpeedPitchConstantPitch); });
}
BENCHMARK(BM_TimeStretch50)->Unit(benchmark::kMillisecond);

void BM_PitchChange150(benchmark::State& state) {
    PumpThrough(state, [](const LSoundSourcePtr& s) { return OpenSpeedPitchChain(s, 150, kSpeedPitchConstantSpeed); });
}
BENCHMARK(BM_PitchChange150)->Unit(benchmark::kMillisecond);

void BM_Resample150(benchmark::State& state) {
    PumpThrough(state, [](const LSoundSourcePtr& s) { return OpenSpeedPitchChain(s, 150, kSpeedPitchSimple); });
}
BENCHMARK(BM_Resample150)->Unit(benchmark::kMillisecond);

// The player's scans: one second of output read in 100 ms buffers from a
// stretch started at the input's start or end. At 7 times the window cannot
// span the hop, so every segment fetches its own stretch of input and runs
// its own search. Real time is 44100 frames a second.
void Scan(benchmark::State& state, double factor, double target, int32_t rampMs) {
    Input();
    std::vector<int32_t> buf(size_t(kRate / 10) * 2);
    for (auto _ : state) {
        LSRCTimeStretch ts(LSoundSourcePtr(new MemSource), factor, target, rampMs);
        ts.Seek(factor < 0 ? kFrames : 0);
        for (int i = 0; i < 10; ++i) {
            ts.Read(buf.data(), kRate / 10);
            benchmark::DoNotOptimize(buf.data());
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kRate);
}

void BM_ScanForward7(benchmark::State& state) { Scan(state, 7.0, 7.0, 0); }
BENCHMARK(BM_ScanForward7)->Unit(benchmark::kMillisecond);

void BM_ScanBackward7(benchmark::State& state) { Scan(state, -7.0, -7.0, 0); }
BENCHMARK(BM_ScanBackward7)->Unit(benchmark::kMillisecond);

void BM_ScanBackward7ToPlay(benchmark::State& state) { Scan(state, -7.0, 1.0, 500); }
BENCHMARK(BM_ScanBackward7ToPlay)->Unit(benchmark::kMillisecond);

// One splice search's inner products: 369 shifts of a 128-sample stretch (a
// segment and a half either way at 44100 Hz, decimated by 4).
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

void BM_AutoGain(benchmark::State& state) {
    Input();
    for (auto _ : state) {
        LNullProgress progress;
        if (RunAutoGain(&progress, LSoundSourcePtr(new MemSource), LSoundSinkPtr(new NullSink)) != 0)
            state.SkipWithError("auto gain failed");
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kFrames);
}
BENCHMARK(BM_AutoGain)->Unit(benchmark::kMillisecond);

// The level computation alone, per 20 ms stereo block.
void BM_BlockLevel(benchmark::State& state) {
    const auto& v = Input();
    for (auto _ : state) {
        int32_t sum = 0;
        for (int32_t b = 0; b + 882 <= kFrames; b += 882)
            sum += BlockLevelDB(BlockMeanSquare(v.data() + size_t(b) * 2, 882 * 2));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * (kFrames / 882) * 882);
}
BENCHMARK(BM_BlockLevel)->Unit(benchmark::kMillisecond);

}  // namespace
