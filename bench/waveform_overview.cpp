// The overview of a one-hour stereo 44.1 kHz document after a cut in its
// middle: the wave window's columns computed from the segment summaries and,
// in the same run, by reading every sample (the plain scan). Each iteration
// opens a fresh reader over the edited document, as the main window does
// after an edit. The segment (1.27 GB) is written once per run; the page
// cache then holds it, which favours the plain scan.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"
#include "document/LSegmentSummary.h"
#include "support/LFile.h"
#include "ui/LWaveScan.h"

using namespace sondrel;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kSeconds = 3600;

struct Hour {
    Hour() {
        folder = JoinPath(TempFolder(), "sondrel-bench-overview-" + std::to_string(std::rand()));
        std::filesystem::create_directories(folder);
        scope = new LCutTankScope(folder);
        // One second of a tone, its loudness changing from second to second.
        std::vector<int32_t> second(size_t(kRate) * 2), block(size_t(kRate) * 2);
        for (int32_t i = 0; i < kRate; ++i) {
            int32_t s = int32_t(400000 * std::sin(i * 2 * 3.14159265358979 * 440 / kRate));
            second[size_t(i) * 2] = s;
            second[size_t(i) * 2 + 1] = -s;
        }
        {
            LSoundSinkPtr sink = CreateSink(doc, kRate, 2);
            for (int32_t sec = 0; sec < kSeconds; ++sec) {
                int32_t scale = 1 + (sec * 7919) % 64;
                for (size_t k = 0; k < block.size(); ++k) block[k] = second[k] / 64 * scale;
                for (int32_t done = 0; done < kRate; done += 8192) {
                    sink->Write(block.data() + size_t(done) * 2, std::min(8192, kRate - done));
                }
            }
        }
        std::string seg = scope->Tank().GetAudFilePath(doc.lstCuts.GetHead()->data.nIndex);
        LFile f;
        if (f.Open(seg.c_str(), LFile::kRead)) segmentBytes = f.Size();
        if (f.Open(SummaryPath(seg).c_str(), LFile::kRead)) summaryBytes = f.Size();
        // The edit: one second cut out of the middle.
        int32_t mid = kSeconds / 2 * kRate;
        doc.EfDelete(mid, mid + kRate);
        std::printf("segment %.1f MB, summary %.2f MB on disk\n", segmentBytes / 1e6, summaryBytes / 1e6);
    }
    ~Hour() {
        doc.lstCuts.Clear();
        delete scope;
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::string folder;
    LCutTankScope* scope;
    LCutListAudio doc;
    int64_t segmentBytes = 0, summaryBytes = 0;
};

Hour& TheHour() {
    static Hour h;
    return h;
}

// The columns of the first run of either kind; both must agree.
std::vector<uint8_t>& Reference() {
    static std::vector<uint8_t> v;
    return v;
}

void Overview(benchmark::State& state, bool summaries) {
    Hour& h = TheHour();
    int32_t length = h.doc.GetLength();
    std::vector<uint8_t> first;
    for (auto _ : state) {
        LWaveScanner scanner(CreateSource(h.doc));
        scanner.UseSummaries(summaries);
        LWaveView view;
        view.Size(2050, 200);  // 2048 columns, the most a window has
        ScanView(view, scanner, 0, length);
        benchmark::DoNotOptimize(view.columns);
        if (first.empty()) first.assign(view.columns, view.columns + view.nWidth);
    }
    if (Reference().empty()) {
        Reference() = first;
    } else if (Reference() != first) {
        state.SkipWithError("the two scans disagree");
    }
    state.counters["summary_MB"] = double(h.summaryBytes) / 1e6;
    state.counters["segment_MB"] = double(h.segmentBytes) / 1e6;
}

void BM_OverviewWithSummaries(benchmark::State& state) { Overview(state, true); }
void BM_OverviewPlainScan(benchmark::State& state) { Overview(state, false); }

}  // namespace

BENCHMARK(BM_OverviewWithSummaries)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_OverviewPlainScan)->Unit(benchmark::kMillisecond)->Iterations(3);
