// Cost of the cut-list edits on a one-minute and a one-hour document with the
// same number of cuts: an edit walks and copies cut records, never audio, so
// the two should cost the same. Each iteration starts from the same document
// (restored with the timer paused) and times one operation on a selection in
// its middle.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"
#include "support/LFile.h"

using namespace sondrel;

namespace {

constexpr int32_t kRate = 44100;

// The tank for the whole run, over a folder of its own. The edits never open
// a segment file, so the document's one segment exists only as a count.
struct BenchTank {
    BenchTank() {
        folder = JoinPath(TempFolder(), "sondrel-bench-cutlist-" + std::to_string(std::rand()));
        std::filesystem::create_directories(folder);
        scope = new LCutTankScope(folder);
    }
    ~BenchTank() {
        delete scope;
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::string folder;
    LCutTankScope* scope;
};
BenchTank& Tank() {
    static BenchTank t;
    return t;
}

// A document of the given length made of `cuts` cuts over one long segment,
// every fifth one silent and every third one with its own gain, the way a
// document looks after many edits.
LCutListAudio Document(int32_t seconds, int32_t cuts) {
    LAudioCutTank& tank = Tank().scope->Tank();
    uint16_t index = tank.GetNewRefAndIncRef();
    LCutListAudio doc(kRate, 2);
    int64_t total = int64_t(seconds) * kRate;
    LCutList::Node* tail = nullptr;
    for (int32_t i = 0; i < cuts; ++i) {
        int32_t len = int32_t(total * (i + 1) / cuts - total * i / cuts);
        int32_t gain = i % 3 == 0 ? 0x1400000 : kUnityGain;
        if (i % 5 == 4)
            tail = doc.lstCuts.AddAfter(tail, LAudioCut(kSilentIndex, len));
        else
            tail = doc.lstCuts.AddAfter(tail, LAudioCut(index, len, gain, int32_t(total * i / cuts)));
    }
    tank.DecRef(index);  // the document's cuts hold it now
    return doc;
}

// Runs op on a fresh copy of the document each iteration; only op is timed.
template <class Op>
void Edit(benchmark::State& state, Op op) {
    const int32_t seconds = int32_t(state.range(0));
    const int32_t cuts = int32_t(state.range(1));
    LCutListAudio base = Document(seconds, cuts);
    LCutListAudio clip;
    const int32_t mid = base.GetLength() / 2;
    // The selection spans the same number of cuts (a hundredth of the
    // document) in both lengths: 0.6 s of the minute, 36 s of the hour.
    const int32_t sel = base.GetLength() / 100;
    base.EfCopy(mid, mid + sel, clip);
    LCutListAudio doc;
    for (auto _ : state) {
        state.PauseTiming();
        doc = base;
        state.ResumeTiming();
        op(doc, clip, mid, mid + sel);
        benchmark::DoNotOptimize(doc.lstCuts.GetHead());
    }
    state.counters["cuts"] = double(cuts);
    state.counters["frames"] = double(base.GetLength());
}

void BM_Cut(benchmark::State& s) {
    LCutListAudio clipboard;
    Edit(s, [&](LCutListAudio& d, LCutListAudio&, int32_t a, int32_t b) { d.EfCut(a, b, clipboard); });
}
void BM_Copy(benchmark::State& s) {
    LCutListAudio clipboard;
    Edit(s, [&](LCutListAudio& d, LCutListAudio&, int32_t a, int32_t b) { d.EfCopy(a, b, clipboard); });
}
void BM_PasteOver(benchmark::State& s) {
    Edit(s, [](LCutListAudio& d, LCutListAudio& c, int32_t a, int32_t b) { d.EfPasteOver(a, b, c); });
}
void BM_Insert(benchmark::State& s) {
    Edit(s, [](LCutListAudio& d, LCutListAudio& c, int32_t a, int32_t) { d.EfInsert(a, c); });
}
void BM_Delete(benchmark::State& s) {
    Edit(s, [](LCutListAudio& d, LCutListAudio&, int32_t a, int32_t b) { d.EfDelete(a, b); });
}
void BM_Silence(benchmark::State& s) {
    Edit(s, [](LCutListAudio& d, LCutListAudio&, int32_t a, int32_t b) { d.EfSilence(a, b); });
}
void BM_Amplify(benchmark::State& s) {
    Edit(s, [](LCutListAudio& d, LCutListAudio&, int32_t a, int32_t b) { d.EfAmplify(a, b, 150); });
}
void BM_RepeatLoop(benchmark::State& s) {
    Edit(s, [](LCutListAudio& d, LCutListAudio&, int32_t a, int32_t b) { d.EfRepeatLoop(a, b, 4); });
}
// Undo: taking a snapshot copies the document's cut list; undoing puts a
// copy back in place of the current one.
void BM_UndoSnapshot(benchmark::State& s) {
    LCutListAudio snapshot;
    Edit(s, [&](LCutListAudio& d, LCutListAudio&, int32_t, int32_t) { snapshot = d; });
}
void BM_UndoRestore(benchmark::State& s) {
    LCutListAudio snapshot;
    bool first = true;
    Edit(s, [&](LCutListAudio& d, LCutListAudio&, int32_t, int32_t) {
        if (first) {
            snapshot = d;
            snapshot.EfDelete(0, 1);
            first = false;
        }
        d = snapshot;
    });
}

// One minute and one hour, each with 1000 cuts; and the hour with 10x the
// cuts to show what the cost does follow.
void Sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"seconds", "cuts"});
    b->Args({60, 1000})->Args({3600, 1000})->Args({3600, 10000});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_Cut)->Apply(Sizes);
BENCHMARK(BM_Copy)->Apply(Sizes);
BENCHMARK(BM_PasteOver)->Apply(Sizes);
BENCHMARK(BM_Insert)->Apply(Sizes);
BENCHMARK(BM_Delete)->Apply(Sizes);
BENCHMARK(BM_Silence)->Apply(Sizes);
BENCHMARK(BM_Amplify)->Apply(Sizes);
BENCHMARK(BM_RepeatLoop)->Apply(Sizes);
BENCHMARK(BM_UndoSnapshot)->Apply(Sizes);
BENCHMARK(BM_UndoRestore)->Apply(Sizes);

}  // namespace
