// The undo history against a model: random edits, effects that write new
// segments, undo and redo on several documents at once, with both limits
// changing in the middle of the run. After every step each document's
// audio (read through its reader), position and selection equal the
// model's, the history holds no more steps and no more disk than the limits
// allow, and the steps that went were the oldest. At the end the data
// folder holds exactly the segments that something still names.
//
// More steps, or another seed:
//   SONDREL_HISTORY_STEPS=20000 SONDREL_SEED=7 build/native/tests/document_tests --gtest_filter='UndoHistoryModel*'
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <set>

#include "document/LUndoHistory.h"
#include "support/DocumentFixture.h"

namespace sondrel::test {
namespace {

constexpr int32_t kRate = 8000;
constexpr int kDocs = 3;

struct State {
    std::vector<int32_t> audio;  // mono samples
    int32_t position = 0, selStart = 0, selEnd = 0;
    uint64_t serial = 0;  // when the step that left this state was made
};

struct ModelDoc {
    State now;
    std::deque<State> undo;  // oldest first; each with the serial of its edit
    std::vector<State> redo;
};

class UndoHistoryModel : public DocumentFixture {
protected:
    int32_t Rand(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }
    std::vector<int32_t> NewAudio(int32_t frames) {
        std::vector<int32_t> v(static_cast<size_t>(frames));
        for (int32_t& s : v) s = Rand(-32768, 32767) * 16;
        return v;
    }
    void Begin(int i, const char* what) {
        ModelDoc& m = model[size_t(i)];
        State s = m.now;
        s.serial = ++serial;
        m.undo.push_back(s);
        m.redo.clear();
        docs->MakeCurrent(docs->At(i));
        docs->StartModifyCurrentFile(what);
    }
    // The limits' own trimming of one document, as the history does it.
    void TrimLevels(ModelDoc& m) {
        while (m.undo.size() + m.redo.size() > levels) {
            if (!m.undo.empty()) m.undo.pop_front();
            else m.redo.erase(m.redo.begin());
        }
    }
    void Step(int n);
    void Check(int n);

    std::mt19937 rng;
    std::vector<ModelDoc> model;
    std::vector<int32_t> clip;
    uint64_t serial = 0;
    uint32_t levels = kDefaultUndoLevels;
    uint64_t budget = 0;
    size_t diskDrops = 0;
};

void UndoHistoryModel::Step(int n) {
    const int i = Rand(0, kDocs - 1);
    ModelDoc& m = model[size_t(i)];
    LSDFile& d = *docs->At(i);
    const int32_t len = int32_t(m.now.audio.size());
    int32_t s = Rand(0, len), e = Rand(s, std::min(len, s + 600));
    int op = Rand(0, 99);
    if (len > 12000 && op >= 15 && op < 60) {  // a long document gets shorter, so a long run stays quick
        op = 0;
        e = std::min(len, s + 4000);
    }
    if (op < 15) {  // delete
        Begin(i, "Delete");
        d.audio.EfDelete(s, e);
        m.now.audio.erase(m.now.audio.begin() + s, m.now.audio.begin() + e);
    } else if (op < 25) {  // cut to the clipboard
        Begin(i, "Cut");
        d.audio.EfCut(s, e, docs->clipboard);
        clip.assign(m.now.audio.begin() + s, m.now.audio.begin() + e);
        m.now.audio.erase(m.now.audio.begin() + s, m.now.audio.begin() + e);
    } else if (op < 35) {  // paste the clipboard in
        Begin(i, "Paste");
        d.audio.EfInsert(s, docs->clipboard);
        m.now.audio.insert(m.now.audio.begin() + s, clip.begin(), clip.end());
    } else if (op < 45) {  // silence
        Begin(i, "Edit Silence");
        d.audio.EfSilence(s, e);
        std::fill(m.now.audio.begin() + s, m.now.audio.begin() + e, 0);
    } else if (op < 60) {  // an effect: new samples in a new segment
        Begin(i, "Effect");
        std::vector<int32_t> fresh = NewAudio(Rand(1, 800));
        d.audio.EfPasteOver(s, e, List(fresh, 1, kRate));
        m.now.audio.erase(m.now.audio.begin() + s, m.now.audio.begin() + e);
        m.now.audio.insert(m.now.audio.begin() + s, fresh.begin(), fresh.end());
    } else if (op < 95) {  // undo or redo: the state left goes the other way
        const bool undo = op < 80;
        docs->MakeCurrent(&d);
        const bool can = undo ? !m.undo.empty() : !m.redo.empty();
        ASSERT_EQ(undo ? docs->CmUndo() : docs->CmRedo(), can) << "step " << n;
        if (can) {
            State taken = undo ? m.undo.back() : m.redo.back();
            undo ? m.undo.pop_back() : m.redo.pop_back();
            State left = m.now;
            left.serial = taken.serial;
            if (undo) m.redo.push_back(left);
            else m.undo.push_back(left);
            m.now = taken;
        }
    } else {  // new limits in the middle of the run
        levels = uint32_t(Rand(kMinUndoLevels, 24));
        budget = Rand(0, 2) == 0 ? 0 : uint64_t(Rand(4, 40)) * 1024;
        docs->SetHistoryLimits({levels, budget});
    }
    if (op < 60) {
        // Where the edit leaves the cursor and selection, for undo and redo to restore.
        const int32_t after = int32_t(m.now.audio.size());
        m.now.position = Rand(0, after);
        m.now.selStart = Rand(0, after);
        m.now.selEnd = Rand(m.now.selStart, after);
        d.stPosition.ms = d.FramesToMs(m.now.position);
        d.stSelStart.ms = d.FramesToMs(m.now.selStart);
        d.stSelEnd.ms = d.FramesToMs(m.now.selEnd);
        docs->Changed();
    }
    // The model follows what the limits took: the count first, then the disk.
    uint64_t dropped = 0;
    for (ModelDoc& md : model) TrimLevels(md);
    for (int k = 0; k < kDocs; ++k) {
        ModelDoc& md = model[size_t(k)];
        const LUndoHistory& h = docs->At(k)->history;
        ASSERT_LE(h.UndoCount() + h.RedoCount(), md.undo.size() + md.redo.size()) << "step " << n;
        while (md.undo.size() > h.UndoCount()) {
            dropped = std::max(dropped, md.undo.front().serial);
            md.undo.pop_front();
            ++diskDrops;
        }
        while (md.redo.size() > h.RedoCount()) {
            ASSERT_TRUE(md.undo.empty()) << "a step to redo went while older steps stayed, step " << n;
            md.redo.erase(md.redo.begin());
            ++diskDrops;
        }
    }
    // Only the oldest steps of all documents go for the disk.
    if (dropped) {
        for (const ModelDoc& md : model)
            for (const State& st : md.undo) ASSERT_GT(st.serial, dropped) << "step " << n;
    }
    if (budget) {
        ASSERT_LE(docs->HistoryOnlyBytes(), budget) << "step " << n;
    }
}

void UndoHistoryModel::Check(int n) {
    for (int k = 0; k < kDocs; ++k) {
        const LSDFile& d = *docs->At(k);
        const ModelDoc& m = model[size_t(k)];
        ASSERT_EQ(Samples(d.audio), m.now.audio) << "document " << k << ", step " << n;
        ASSERT_EQ(d.stPosition.ms, d.FramesToMs(m.now.position)) << "document " << k << ", step " << n;
        ASSERT_EQ(d.stSelStart.ms, d.FramesToMs(m.now.selStart)) << "document " << k << ", step " << n;
        ASSERT_EQ(d.stSelEnd.ms, d.FramesToMs(m.now.selEnd)) << "document " << k << ", step " << n;
        ASSERT_LE(d.history.UndoCount() + d.history.RedoCount(), levels);
    }
}

TEST_F(UndoHistoryModel, RandomEditsUndoAndRedoOnSeveralDocuments) {
    const char* stepsText = std::getenv("SONDREL_HISTORY_STEPS");
    const uint32_t seed = Seed();
    const int steps = stepsText ? std::atoi(stepsText) : 800;
    std::printf("seed %u (SONDREL_SEED), %d steps (SONDREL_HISTORY_STEPS)\n", seed, steps);
    SCOPED_TRACE("seed " + std::to_string(seed));
    rng.seed(seed);
    levels = 12;
    budget = 30 * 1024;
    docs->SetHistoryLimits({levels, budget});
    for (int k = 0; k < kDocs; ++k) {
        ModelDoc m;
        m.now.audio = NewAudio(Rand(500, 3000));
        docs->AddUntitled(List(m.now.audio, 1, kRate));
        model.push_back(m);
    }
    for (int n = 0; n < steps; ++n) {
        ASSERT_NO_FATAL_FAILURE(Step(n));
        ASSERT_NO_FATAL_FAILURE(Check(n));
    }
    EXPECT_GT(diskDrops, 0u) << "the disk budget never took a step";

    // The data folder holds exactly the segments something names.
    std::set<uint16_t> named;
    auto name = [&](const LCutList& cuts) {
        for (auto c = cuts.Begin(); c.IsValid(); c.Next())
            if (!c->IsSilent()) named.insert(c->nIndex);
    };
    name(docs->clipboard.lstCuts);
    for (int k = 0; k < kDocs; ++k) {
        name(docs->At(k)->audio.lstCuts);
        docs->At(k)->history.ForEachStep([&](const LSDUndoRecord& r) { name(r.lstCuts); });
    }
    std::set<uint16_t> files;
    for (const std::string& f : LFile::List(tank->Tank().GetFolder().c_str(), ".aud"))
        files.insert(uint16_t(std::stoi(f)));
    EXPECT_EQ(files, named);
    // Closing them all leaves no segment behind.
    docs->ReleaseAll();
    docs->clipboard = LCutListAudio();
    EXPECT_TRUE(LFile::List(tank->Tank().GetFolder().c_str(), ".aud").empty());
}

}  // namespace
}  // namespace sondrel::test
