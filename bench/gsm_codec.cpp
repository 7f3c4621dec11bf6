// GSM 06.10 and VOX codec throughput on a speech-band signal, in samples per
// second (8000 per second of audio).
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "core/LSample.h"
#include "formats/gsm/LGSMFrame.h"
#include "formats/vox/LVoxCodec.h"

using namespace sondrel;

namespace {

// 10 s of a gliding two-tone signal with a syllable envelope and some noise.
const std::vector<int32_t>& Input() {
    static const std::vector<int32_t> v = [] {
        std::vector<int32_t> r(80000);
        uint32_t noise = 1;
        double p1 = 0, p2 = 0;
        for (size_t i = 0; i < r.size(); ++i) {
            const double t = double(i) / 8000.0;
            p1 += 2 * std::numbers::pi * (120 + 60 * std::sin(t * 1.3)) / 8000.0;
            p2 += 2 * std::numbers::pi * (900 + 400 * std::sin(t * 0.7)) / 8000.0;
            noise = noise * 1664525u + 1013904223u;
            const double env = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 4 * t);
            const double s = env * (9000 * std::sin(p1) + 4000 * std::sin(p2)) + double(int32_t(noise) >> 20);
            r[i] = FromPCM16(int16_t(std::lround(s)));
        }
        return r;
    }();
    return v;
}

void BM_GSMEncode(benchmark::State& state) {
    const auto& x = Input();
    const size_t frames = x.size() / kGSMFrameSamples;
    std::vector<uint8_t> out(frames * kGSMFrameBytes);
    for (auto _ : state) {
        LGSMFrame enc;
        for (size_t f = 0; f < frames; ++f) enc.EncodeNormal(x.data() + f * 160, out.data() + f * kGSMFrameBytes);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(frames * kGSMFrameSamples));
}
BENCHMARK(BM_GSMEncode);

void BM_GSMDecode(benchmark::State& state) {
    const auto& x = Input();
    const size_t frames = x.size() / kGSMFrameSamples;
    std::vector<uint8_t> bytes(frames * kGSMFrameBytes);
    LGSMFrame enc;
    for (size_t f = 0; f < frames; ++f) enc.EncodeNormal(x.data() + f * 160, bytes.data() + f * kGSMFrameBytes);
    std::vector<int32_t> out(frames * kGSMFrameSamples);
    for (auto _ : state) {
        LGSMFrame dec;
        for (size_t f = 0; f < frames; ++f) dec.DecodeNormal(bytes.data() + f * kGSMFrameBytes, out.data() + f * 160);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(frames * kGSMFrameSamples));
}
BENCHMARK(BM_GSMDecode);

void BM_VoxEncode(benchmark::State& state) {
    const auto& x = Input();
    std::vector<uint8_t> codes(x.size());
    for (auto _ : state) {
        LVoxCodec c;
        for (size_t i = 0; i < x.size(); ++i) codes[i] = uint8_t(c.Encode(x[i]));
        benchmark::DoNotOptimize(codes.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(x.size()));
}
BENCHMARK(BM_VoxEncode);

void BM_VoxDecode(benchmark::State& state) {
    const auto& x = Input();
    std::vector<uint8_t> codes(x.size());
    LVoxCodec enc;
    for (size_t i = 0; i < x.size(); ++i) codes[i] = uint8_t(enc.Encode(x[i]));
    std::vector<int32_t> out(x.size());
    for (auto _ : state) {
        LVoxCodec c;
        for (size_t i = 0; i < x.size(); ++i) out[i] = c.Decode(codes[i]);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(x.size()));
}
BENCHMARK(BM_VoxDecode);

}  // namespace
