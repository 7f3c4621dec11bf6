// Rate conversion speed: output frames per second through LSRCConvertRate,
// fed from a looping in-memory source so that only the converter is timed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/LSRCConvertRate.h"

using namespace sondrel;

namespace {

// One second of a music-like signal (three tones and noise) on the 16-bit
// grid with the given peak, read round and round.
class LoopSource : public LSoundSourceBase {
public:
    LoopSource(int32_t rate, uint32_t chans, double peak) : LSoundSourceBase(rate, chans, kMax16) {
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> noise(-1.0, 1.0);
        const double pi = 3.14159265358979323846;
        data_.resize(size_t(rate) * chans);
        for (int32_t i = 0; i < rate; ++i) {
            for (uint32_t c = 0; c < chans; ++c) {
                double t = double(i) / rate;
                double v = 0.4 * std::sin(2 * pi * 220 * t + c) + 0.3 * std::sin(2 * pi * 1375 * t) +
                           0.2 * std::sin(2 * pi * 5210 * t + 2 * c) + 0.1 * noise(rng);
                data_[size_t(i) * chans + c] = int32_t(std::lround(v * peak / 16.0)) * 16;
            }
        }
    }
    void Read(int32_t* buffer, int32_t n) override {
        const size_t total = data_.size();
        size_t want = size_t(n) * nChans;
        while (want > 0) {
            size_t k = std::min(want, total - at_);
            std::memcpy(buffer, data_.data() + at_, k * sizeof(int32_t));
            buffer += k;
            want -= k;
            at_ = (at_ + k) % total;
        }
        pos_ += n;
    }
    int32_t GetPosition() override { return pos_; }
    int32_t GetLength() override { return INT32_MAX; }
    void Seek(int32_t p) override {
        pos_ = p;
        at_ = (size_t(p) % size_t(nSampleRate)) * nChans;
    }

private:
    std::vector<int32_t> data_;
    size_t at_ = 0;
    int32_t pos_ = 0;
};

// Arguments: input rate, output rate, channels, peak in dB below full scale.
void BM_ConvertRate(benchmark::State& state) {
    const int32_t rin = int32_t(state.range(0)), rout = int32_t(state.range(1));
    const uint32_t chans = uint32_t(state.range(2));
    const double peak = kMax16 * std::pow(10.0, -double(state.range(3)) / 20.0);
    LSoundSourcePtr src(new LoopSource(rin, chans, peak));
    LSRCConvertRate conv(src, rout);
    std::vector<int32_t> out(size_t(kMaxBlockFrames) * chans);
    for (auto _ : state) {
        conv.Read(out.data(), kMaxBlockFrames);
        benchmark::DoNotOptimize(out.data());
        if (conv.GetPosition() > 1000000000) conv.Seek(0);
    }
    const double frames = double(state.iterations()) * kMaxBlockFrames;
    state.SetItemsProcessed(int64_t(frames));
    state.counters["x_realtime"] = benchmark::Counter(frames / rout, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_ConvertRate)
    ->ArgNames({"in", "out", "ch", "peak_db_below"})
    ->Args({44100, 48000, 2, 1})
    ->Args({44100, 48000, 2, 10})
    ->Args({48000, 44100, 2, 1})
    ->Args({44100, 48000, 1, 1})
    ->Args({44100, 22050, 2, 1})
    ->Args({22050, 44100, 2, 1});
