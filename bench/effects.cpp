// Throughput of the effect sources on stereo 44.1 kHz noise, in frames per
// second of processing (items/s), read in 8192-frame blocks as the pumps do.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "effects/LEchoReverb.h"
#include "effects/LEqualiser.h"
#include "effects/LHighPass.h"

using namespace sondrel;

namespace {
// Endless stereo noise at 16-bit level.
class NoiseSource : public LSoundSourceBase {
public:
    NoiseSource() : LSoundSourceBase(44100, 2, kMax16), data_(size_t(1 << 16) * 2) {
        std::mt19937 rng(1);
        for (int32_t& v : data_) v = FromPCM16(int16_t(rng()));
    }
    void Read(int32_t* buffer, int32_t n) override {
        for (int32_t i = 0; i < n * 2; ++i) buffer[i] = data_[size_t((pos_ * 2 + i) & ((1 << 17) - 1))];
        pos_ += n;
    }
    int32_t GetPosition() override { return pos_; }
    int32_t GetLength() override { return 1 << 30; }
    void Seek(int32_t p) override { pos_ = p; }

private:
    std::vector<int32_t> data_;
    int32_t pos_ = 0;
};

void Pull(benchmark::State& state, LSoundSourceBase& src) {
    std::vector<int32_t> buf(8192 * 2);
    for (auto _ : state) {
        src.Read(buf.data(), 8192);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetItemsProcessed(state.iterations() * 8192);
}

LSoundSourcePtr Noise() { return LSoundSourcePtr(new NoiseSource); }

void BM_Echo(benchmark::State& state) {
    LSRCEcho e(Noise(), 800, 50);
    Pull(state, e);
}
BENCHMARK(BM_Echo);

void BM_Reverb(benchmark::State& state) {
    LSRCReverb r(Noise(), 100, int32_t(state.range(0)));
    Pull(state, r);
}
BENCHMARK(BM_Reverb)->Arg(50)->Arg(1000);

void BM_HighPass(benchmark::State& state) {
    LSRCHighPass h(Noise(), 500);
    Pull(state, h);
}
BENCHMARK(BM_HighPass);

LEqTable BenchCurve() {
    PointList l;
    l.Set({{0, 200}, {20, 128}, {60, 30}, {64, 200}, {150, 100}, {255, 128}});
    return CreateEqFromPointList(l, 44100);
}

// Arg: -1 the plain symmetric-pair loop, otherwise an LFirKernel.
void BM_Equaliser(benchmark::State& state) {
    auto kind = LFirKernel(state.range(0));
    bool reference = state.range(0) < 0;
    if (!reference && !FirKernel(kind)) {
        state.SkipWithError("kernel not available on this machine");
        return;
    }
    state.SetLabel(reference ? "reference" : FirKernelName(kind));
    LSRCEq eq(Noise(), BenchCurve(), reference ? LFirKernel::kPortable : kind, reference);
    Pull(state, eq);
}
BENCHMARK(BM_Equaliser)
    ->Arg(-1)
    ->Arg(int(LFirKernel::kPortable))
    ->Arg(int(LFirKernel::kSSE2))
    ->Arg(int(LFirKernel::kAVX2))
    ->Arg(int(LFirKernel::kAVX512))
    ->Arg(int(LFirKernel::kAVX512VNNI))
    ->Unit(benchmark::kMillisecond);

void BM_EqualiserDesign(benchmark::State& state) {
    LEqTable t = BenchCurve();
    int32_t c[kEqBands];
    for (auto _ : state) {
        DesignEqCoefficients(t, c);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_EqualiserDesign)->Unit(benchmark::kMillisecond);
}  // namespace
