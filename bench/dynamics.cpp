// Throughput of the dynamics and speed sources over 10 s of stereo audio at
// 44100 Hz, in frames per second (441000 frames per iteration).
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "core/LPump.h"
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
        if (Process(&progress, pump) != 0) state.SkipWithError("pump failed");
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
