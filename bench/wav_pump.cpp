// WAV-to-WAV pumps of a generated 16-bit stereo file: a plain copy, a copy
// into mono, and the reader and the writer on their own.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/LPump.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"

using namespace sondrel;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = kRate * 60;  // one minute

// Generated once per run and deleted at exit.
struct GeneratedInput {
    std::string path = JoinPath(TempFolder(), "sondrel-bench-in.wav");
    GeneratedInput() {
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), kRate, 0, 16, 2);
        std::vector<int32_t> block(size_t(kMaxBlockFrames) * 2);
        for (int32_t at = 0; at < kFrames; at += kMaxBlockFrames) {
            int32_t n = std::min(kMaxBlockFrames, kFrames - at);
            for (int32_t i = 0; i < n; ++i) {
                double t = double(at + i) / kRate;
                block[2 * size_t(i)] = int32_t(400000.0 * std::sin(2 * M_PI * 440.0 * t));
                block[2 * size_t(i) + 1] = int32_t(300000.0 * std::sin(2 * M_PI * 1250.0 * t));
            }
            sink->Write(block.data(), n);
        }
    }
    ~GeneratedInput() { LFile::Delete(path.c_str()); }
};

const std::string& InputFile() {
    static GeneratedInput input;
    return input.path;
}

std::string OutputFile() { return JoinPath(TempFolder(), "sondrel-bench-out.wav"); }

void Pump(benchmark::State& state, uint32_t chans) {
    const std::string& in = InputFile();
    std::string out = OutputFile();
    for (auto _ : state) {
        LNullProgress progress;
        LPRSourceToSink record{"", LWaveFile::OpenSource(in.c_str()),
                               LWaveFile::OpenSinkPCM(out.c_str(), kRate, 0, 16, chans)};
        LProcessResult r = Process(&progress, record);
        record.pSink.Reset();
        if (r != kProcessDone) state.SkipWithError("pump failed");
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kFrames));
    state.SetBytesProcessed(state.iterations() * int64_t(kFrames) * 4);
    LFile::Delete(out.c_str());
}

void BM_WavToWavCopy(benchmark::State& state) { Pump(state, 2); }
void BM_WavToWavMono(benchmark::State& state) { Pump(state, 1); }

void BM_WavRead(benchmark::State& state) {
    const std::string& in = InputFile();
    std::vector<int32_t> block(size_t(kMaxBlockFrames) * 2);
    for (auto _ : state) {
        LSoundSourcePtr src = LWaveFile::OpenSource(in.c_str());
        while (src->GetPosition() < src->GetLength()) src->Read(block.data(), kMaxBlockFrames);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kFrames));
    state.SetBytesProcessed(state.iterations() * int64_t(kFrames) * 4);
}

void BM_WavWrite(benchmark::State& state) {
    std::string out = OutputFile();
    std::vector<int32_t> block(size_t(kMaxBlockFrames) * 2, 12345);
    for (auto _ : state) {
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(out.c_str(), kRate, 0, 16, 2);
        for (int32_t at = 0; at < kFrames; at += kMaxBlockFrames) sink->Write(block.data(), std::min(kMaxBlockFrames, kFrames - at));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kFrames));
    state.SetBytesProcessed(state.iterations() * int64_t(kFrames) * 4);
    LFile::Delete(out.c_str());
}

}  // namespace

BENCHMARK(BM_WavToWavCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WavToWavMono)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WavRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WavWrite)->Unit(benchmark::kMillisecond);
