// MP3 decoding speed on a 20-minute 128 kbit/s stereo file made with sox
// and lame, compared in the same run with mpg123 -t (its generic decoder
// and its default one). Ratios are ours / theirs: below 1 = we are faster.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "formats/mp3/LMP3Source.h"

using namespace sondrel;

namespace {

int Run(const std::string& command) {
    int r = std::system(command.c_str());
#ifndef _WIN32
    return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
#else
    return r;
#endif
}

bool Have(const char* program) { return Run(std::string("command -v ") + program + " >/dev/null 2>&1") == 0; }

// The input file, made once per run and removed at exit.
struct Input {
    std::filesystem::path dir;
    std::string mp3;
    std::string error;
    Input() {
        if (!Have("sox") || !Have("lame") || !Have("mpg123")) {
            error = "sox, lame and mpg123 are needed";
            return;
        }
        dir = std::filesystem::temp_directory_path() / ("sondrel-mp3-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        const std::string wav = (dir / "in.wav").string();
        mp3 = (dir / "in.mp3").string();
        // Twenty minutes of music-like material: pink noise and a gliding
        // tone under a slow tremolo.
        if (Run("sox -n -r 44100 -c 2 -b 16 '" + wav +
                "' synth 1200 pinknoise synth 1200 sine mix 100-4000 tremolo 3 60 vol 0.5 2>/dev/null") != 0 ||
            Run("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'") != 0)
            error = "could not make the input file";
        std::filesystem::remove(wav);
    }
    ~Input() {
        std::error_code ec;
        if (!dir.empty()) std::filesystem::remove_all(dir, ec);
    }
};

const Input& GetInput() {
    static Input input;
    return input;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

int64_t DecodeOurs(const std::string& path) {
    LSoundSourcePtr src = OpenMP3Source(path.c_str());
    std::vector<int32_t> block(size_t(kMaxBlockFrames) * src->nChans);
    int64_t frames = 0;
    while (src->GetPosition() < src->GetLength()) {
        src->Read(block.data(), kMaxBlockFrames);
        frames += kMaxBlockFrames;
    }
    benchmark::DoNotOptimize(block.data());
    return frames;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_MP3Decode(benchmark::State& state) {
    const Input& in = GetInput();
    if (!in.error.empty()) {
        state.SkipWithError(in.error.c_str());
        return;
    }
    int64_t frames = 0;
    for (auto _ : state) frames += DecodeOurs(in.mp3);
    state.SetItemsProcessed(frames);
}
BENCHMARK(BM_MP3Decode)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Ours, mpg123 --cpu generic and mpg123 with its default decoder, taken in
// turn in every iteration so that all three see the same machine load.
void BM_MP3VersusMpg123(benchmark::State& state) {
    const Input& in = GetInput();
    if (!in.error.empty()) {
        state.SkipWithError(in.error.c_str());
        return;
    }
    std::vector<double> ours, generic, fallback;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        DecodeOurs(in.mp3);
        auto t1 = std::chrono::steady_clock::now();
        Run("mpg123 -q -t --cpu generic '" + in.mp3 + "'");
        auto t2 = std::chrono::steady_clock::now();
        Run("mpg123 -q -t '" + in.mp3 + "'");
        auto t3 = std::chrono::steady_clock::now();
        ours.push_back(Seconds(t0, t1));
        generic.push_back(Seconds(t1, t2));
        fallback.push_back(Seconds(t2, t3));
    }
    const double o = Median(ours), g = Median(generic), d = Median(fallback);
    state.counters["ours_s"] = o;
    state.counters["mpg123_generic_s"] = g;
    state.counters["mpg123_default_s"] = d;
    state.counters["ratio_generic"] = o / g;
    state.counters["ratio_default"] = o / d;
    std::printf("20 min 128 kbit/s stereo, median of %zu: ours %.3f s, mpg123 generic %.3f s, mpg123 default %.3f s\n",
                ours.size(), o, g, d);
    std::printf("ratio ours/mpg123-generic %.3f, ours/mpg123-default %.3f (below 1 = faster)\n", o / g, o / d);
}
BENCHMARK(BM_MP3VersusMpg123)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
