// Cost of keeping document journals, and of looking for them at start-up.
//
// - JournalUpdate: what an edit pays on the user-interface thread after it
//   changed a document of N cuts: encoding the journal, seeing that it
//   changed, taking the segments' references and handing it to the writer
//   (goal: under 1 ms at 1000 cuts, as the edits themselves).
// - JournalOnDisk: the writer's whole work for one such change, done off the
//   edit path: new segments flushed, the journal written, flushed and put in
//   place of the old one. It is the disk's flush time, not the edit's.
// - StartupScan: what start-up adds when there is nothing to recover, in an
//   empty data folder and in one holding a thousand segment files.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "document/LJournalKeeper.h"
#include "document/LSessionRecovery.h"
#include "support/LFile.h"

using namespace sondrel;

namespace {

struct Folder {
    explicit Folder(const char* tag) {
        path = JoinPath(TempFolder(), std::string("sondrel-bench-") + tag + "-" + std::to_string(std::rand()));
        std::filesystem::create_directories(path);
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

// Answers nothing; the benchmark asks no questions.
struct QuietHost : LDocumentHost {
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

// One open document of `cuts` cuts over one real segment of a minute.
struct Session {
    explicit Session(int32_t cuts) : folder("journal"), tank(folder.path), docs(host), keeper(folder.path) {
        const int32_t rate = 44100, frames = 60 * rate;
        LCutListAudio seg(rate, 2);
        {
            LSoundSinkPtr sink = CreateSink(seg, rate, 2);
            std::vector<int32_t> block(8192 * 2, 1000);
            for (int32_t at = 0; at < frames; at += 8192) sink->Write(block.data(), std::min(8192, frames - at));
        }
        const uint16_t index = seg.lstCuts.GetHead()->data.nIndex;
        LCutListAudio audio(rate, 2);
        LCutList::Node* tail = nullptr;
        for (int32_t i = 0; i < cuts; ++i) {
            int32_t len = frames / cuts;
            tail = audio.lstCuts.AddAfter(tail, i % 5 == 4 ? LAudioCut(kSilentIndex, len)
                                                          : LAudioCut(index, len, kUnityGain, len * i));
        }
        doc = &docs.AddUntitled(audio);
        keeper.Update(docs);
        keeper.WaitIdle();
    }
    // A change the journal must follow: the first cut's gain.
    void Change() {
        LAudioCut& c = doc->audio.lstCuts.GetHead()->data;
        c.nGain = c.nGain == kUnityGain ? kUnityGain / 2 : kUnityGain;
    }
    Folder folder;
    LCutTankScope tank;
    QuietHost host;
    LDocuments docs;
    LJournalKeeper keeper;
    LSDFile* doc = nullptr;
};

void JournalUpdate(benchmark::State& state) {
    Session s(int32_t(state.range(0)));
    for (auto _ : state) {
        s.Change();
        s.keeper.Update(s.docs);
    }
    s.keeper.WaitIdle();
}
BENCHMARK(JournalUpdate)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void JournalOnDisk(benchmark::State& state) {
    Session s(int32_t(state.range(0)));
    for (auto _ : state) {
        s.Change();
        s.keeper.Update(s.docs);
        s.keeper.WaitIdle();
    }
}
BENCHMARK(JournalOnDisk)->Arg(1000)->Unit(benchmark::kMillisecond);

void StartupScan(benchmark::State& state) {
    Folder folder("startup");
    for (int i = 0; i < state.range(0); ++i)
        LFile::WriteAll(JoinPath(folder.path, std::to_string(i) + ".aud").c_str(), "x", 1);
    for (auto _ : state) {
        LSessionRecovery rec(folder.path);
        benchmark::DoNotOptimize(rec.Found());
    }
}
BENCHMARK(StartupScan)->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
