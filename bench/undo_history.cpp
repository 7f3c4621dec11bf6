// The undo history on a one-hour stereo document:
// - UndoRedo: one Undo and one Redo (the document commands, with the
//   history held to its limits afterwards) on a document of 1000 cuts with
//   100 steps kept; the time is per pair.
// - CutPasteDisk: 100 steps of cut and paste; the counters say what the
//   history holds on disk besides the document (history_bytes: segment
//   files only the history names) and the journal that names the document
//   (journal_bytes).
// - GainDisk: 100 steps of a gain effect over the whole document, each
//   writing the whole hour anew (here a file of that size with no data in
//   it, as far as the file system allows), under a disk budget of five
//   hours of audio; history_bytes stays at or under budget_bytes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "document/LAudioCutTank.h"
#include "document/LDocumentJournal.h"
#include "document/LDocuments.h"
#include "document/LSegmentSummary.h"
#include "support/LFile.h"
#include "support/LSettings.h"

using namespace sondrel;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kHour = kRate * 3600;
constexpr int64_t kHourBytes = int64_t(kHour) * 2 * 2;  // stereo, 16-bit

// The document logic with nobody to ask: long operations run directly.
class QuietHost : public LDocumentHost {
public:
    LProcessResult RunOperation(const char*, const std::function<LProcessResult(LProgress*)>& op) override {
        return op(nullptr);
    }
    bool AskNewFileFormat() override { return false; }
    bool AskVoxSampleRate() override { return false; }
    bool AskConvertSampleRate(int32_t&) override { return false; }
    Answer Ask(const std::string&, bool) override { return kNo; }
    bool AskOpenPath(std::string&) override { return false; }
    bool AskSavePath(std::string&) override { return false; }
};

// A tank over a folder of its own, documents and an in-memory settings store.
struct Bench {
    Bench() {
        folder = JoinPath(TempFolder(), "sondrel-bench-undo-" + std::to_string(std::rand()));
        std::filesystem::create_directories(folder);
        SetSettingsStore(&settings);
        scope = std::make_unique<LCutTankScope>(folder);
        docs = std::make_unique<LDocuments>(host);
    }
    ~Bench() {
        docs.reset();
        scope.reset();
        SetSettingsStore(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    // A new segment file of an hour of stereo audio, as large as the real
    // one (sparse where the file system allows), with one cut over it.
    LCutListAudio HourSegment() {
        uint16_t index = scope->Tank().GetNewRefAndIncRef();
        const std::string path = scope->Tank().GetAudFilePath(index);
        {
            LFile f;
            f.Open(path.c_str(), LFile::kCreate);
        }
        std::filesystem::resize_file(path, uintmax_t(kHourBytes));
        LCutListAudio a(kRate, 2);
        a.lstCuts.AddTail(LAudioCut(index, kHour));
        scope->Tank().DecRef(index);
        return a;
    }
    // A one-frame gain change at the n-th of `of` places: up to two more cuts.
    static void Mark(LCutListAudio& a, int32_t n, int32_t of) {
        const int32_t at = int32_t(int64_t(kHour) * n / of);
        a.EfAmplify(at, at + 1, 101);
    }

    std::string folder;
    LMemorySettings settings;
    QuietHost host;
    std::unique_ptr<LCutTankScope> scope;
    std::unique_ptr<LDocuments> docs;
};

void UndoRedo(benchmark::State& state) {
    Bench b;
    LSDFile& d = b.docs->AddUntitled(b.HourSegment());
    for (int32_t n = 1; n < 450; ++n) Bench::Mark(d.audio, n, 450);
    for (int step = 0; step < 100; ++step) {  // about 1000 cuts in the end
        b.docs->StartModifyCurrentFile("Amplify");
        Bench::Mark(d.audio, 2 * step + 1, 201);
    }
    state.counters["cuts"] = double(d.audio.lstCuts.Count());
    state.counters["steps"] = double(d.history.UndoCount());
    for (auto _ : state) {
        b.docs->CmUndo();
        b.docs->CmRedo();
    }
}
BENCHMARK(UndoRedo)->Unit(benchmark::kMicrosecond);

void CutPasteDisk(benchmark::State& state) {
    for (auto _ : state) {
        Bench b;
        LSDFile& d = b.docs->AddUntitled(b.HourSegment());
        for (int step = 0; step < 100; ++step) {
            const int32_t at = int32_t(int64_t(kHour) * ((step * 37) % 100) / 100);
            b.docs->StartModifyCurrentFile("Cut");
            d.audio.EfCut(at, at + kRate, b.docs->clipboard);
            b.docs->StartModifyCurrentFile("Paste");
            d.audio.EfInsert(int32_t(int64_t(d.audio.GetLength()) * ((step * 53) % 100) / 100), b.docs->clipboard);
            b.docs->Changed();
        }
        std::vector<uint8_t> journal;
        LJournalRecord head;
        EncodeJournal(head, d, journal);
        state.counters["steps"] = double(d.history.UndoCount());
        state.counters["history_bytes"] = double(b.docs->HistoryOnlyBytes());
        state.counters["journal_bytes"] = double(journal.size());
    }
}
BENCHMARK(CutPasteDisk)->Unit(benchmark::kMillisecond)->Iterations(1);

void GainDisk(benchmark::State& state) {
    for (auto _ : state) {
        Bench b;
        const uint64_t budget = uint64_t(kHourBytes) * 5;
        b.docs->SetHistoryLimits({kDefaultUndoLevels, budget});
        LSDFile& d = b.docs->AddUntitled(b.HourSegment());
        uint64_t most = 0;
        for (int step = 0; step < 100; ++step) {
            b.docs->StartModifyCurrentFile("Amplify");
            d.audio = b.HourSegment();  // the effect's output
            b.docs->Changed();
            most = std::max(most, b.docs->HistoryOnlyBytes());
        }
        state.counters["steps"] = double(d.history.UndoCount());
        state.counters["history_bytes"] = double(b.docs->HistoryOnlyBytes());
        state.counters["most_history_bytes"] = double(most);
        state.counters["budget_bytes"] = double(budget);
        state.counters["segment_files"] = double(LFile::List(b.folder.c_str(), ".aud").size());
    }
}
BENCHMARK(GainDisk)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
