// The one frame every effect command runs in, over every record of the
// table: what it needs, the undo record and changed mark it leaves whatever
// happens, and that a cancelled or failed operation leaves the audio alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "effects/EffectTestUtil.h"
#include "formats/LWaveFile.h"
#include "support/DocumentFixture.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

constexpr int32_t kRate = 8000;
constexpr int32_t kSelStart = 1500, kSelEnd = 3000;  // ms

class EffectRunner : public DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        // Noise with quiet ends, so that auto trim has work too.
        in = Noise(size_t(kRate) * 4 * 2, 0x30000);
        std::fill(in.begin(), in.begin() + 2 * 4000, 0);
        std::fill(in.end() - 2 * 4000, in.end(), 0);
        mixPath = JoinPath(dir, "mix.wav");
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(mixPath.c_str(), kRate, 0, 16, 2);
        std::vector<int32_t> m = Noise(size_t(kRate) * 2, 0x20000);
        sink->Write(m.data(), kRate);
    }
    static std::vector<int32_t> Noise(size_t count, int32_t amplitude) {
        std::mt19937 rng(Seed());
        std::uniform_int_distribution<int32_t> dist(-amplitude, amplitude);
        std::vector<int32_t> v(count);
        for (auto& s : v) s = dist(rng) & ~0xF;  // 16-bit samples, as a file holds them
        return v;
    }
    static LCutListAudio List(const std::vector<int32_t>& samples) { return DocumentFixture::List(samples, 2, kRate); }
    // A fresh current document over the input with the selection, position
    // and clipboard every record can work with.
    LSDFile& Doc() {
        docs->ReleaseAll();
        LSDFile& d = docs->AddUntitled(List(in));
        d.bDirty = 0;
        d.stSelStart.ms = kSelStart;
        d.stSelEnd.ms = kSelEnd;
        d.stPosition.ms = 200;
        docs->clipboard = List(Noise(size_t(kRate) * 2, 0x20000));
        return d;
    }
    // Values that change the audio (the defaults of some leave it as it is).
    LEffectValues ValuesFor(const LEffectDesc& fx) {
        LEffectValues v = ReadStoredValues(fx);
        static const std::map<LEffect, std::vector<int32_t>> changing = {
            {LEffect::kAmplify, {50}},
            {LEffect::kCompressor, {-20, 2, 0}},
            {LEffect::kSimpleSpeedPitch, {150}},
            {LEffect::kConstantPitchSpeed, {150}},
            {LEffect::kConstantSpeedPitch, {150}},
            {LEffect::kInsertSilenceBegin, {200}},
            {LEffect::kInsertSilenceCurrent, {200}},
            {LEffect::kInsertSilenceEnd, {200}},
        };
        if (auto it = changing.find(fx.id); it != changing.end())
            for (size_t i = 0; i < it->second.size(); ++i) v.v[i] = it->second[i];
        v.curve.Set({{0, 200}, {100, 30}, {255, 90}});
        v.szPath = mixPath;
        return v;
    }

    std::string mixPath;
    std::vector<int32_t> in;
};

}  // namespace

TEST_F(EffectRunner, EveryCommandCompletesWithItsUndoRecordAndPosition) {
    for (const LEffectDesc& fx : kEffects) {
        SCOPED_TRACE(fx.szUndoLabel);
        LSDFile& d = Doc();
        host.titles.clear();
        host.played = -1;
        const int stops = host.stops;
        ASSERT_EQ(RunEffectCommand(*docs, fx, ValuesFor(fx)), LCommandResult::kDone);
        EXPECT_EQ(d.UndoLabel(), fx.szUndoLabel);
        EXPECT_TRUE(d.bDirty);
        EXPECT_GT(host.stops, stops);
        EXPECT_NE(Samples(d.audio), in);
        std::vector<std::string> titles;
        if (fx.input == LEffectInput::kFile) titles.push_back("Loading Audio File Source");
        if (fx.szTitle) titles.push_back(fx.szTitle);
        EXPECT_EQ(host.titles, titles);
        // Playback starts the pre-roll before where the position went.
        const int32_t at = fx.after == LEffectAfter::kSelectionStart ? kSelStart : 0;
        EXPECT_EQ(host.played, std::max(at - fx.nPreRollMs, 0));
        EXPECT_EQ(d.stPosition.ms, std::max(at - fx.nPreRollMs, 0));
        if (fx.after == LEffectAfter::kWholeFile) {
            EXPECT_EQ(d.stSelEnd.ms, 0);
            EXPECT_EQ(d.stViewEnd.ms, d.LengthMs());
        }
        ASSERT_TRUE(docs->CmUndo());
        EXPECT_EQ(Samples(d.audio), in);
        EXPECT_EQ(d.stSelEnd.ms, kSelEnd);
    }
}

TEST_F(EffectRunner, CancelLeavesTheAudioAndSelectionButKeepsTheUndoRecord) {
    for (const LEffectDesc& fx : kEffects) {
        if (!fx.szTitle) continue;  // runs at once, nothing to cancel
        SCOPED_TRACE(fx.szUndoLabel);
        LSDFile& d = Doc();
        // The operation itself is cancelled (a file to mix loads first).
        host.onOperation = [&](const std::string& title) {
            if (title == fx.szTitle) host.cancelAfterBlocks = 0;
        };
        EXPECT_EQ(RunEffectCommand(*docs, fx, ValuesFor(fx)), LCommandResult::kCancelled);
        host.onOperation = nullptr;
        EXPECT_EQ(Samples(d.audio), in);
        EXPECT_EQ(d.UndoLabel(), fx.szUndoLabel);
        EXPECT_TRUE(d.bDirty);
        EXPECT_EQ(d.stSelStart.ms, kSelStart);
        EXPECT_EQ(d.stSelEnd.ms, kSelEnd);
        EXPECT_EQ(host.played, -1);
    }
}

TEST_F(EffectRunner, AFailedOperationLeavesTheAudioButKeepsTheUndoRecord) {
    for (const LEffectDesc& fx : kEffects) {
        // Those that write new audio fail when its segment cannot be created.
        if (!fx.szTitle || fx.id == LEffect::kNormalize || fx.id == LEffect::kAutoTrim) continue;
        SCOPED_TRACE(fx.szUndoLabel);
        LSDFile& d = Doc();
        // The operation's segment cannot be created (a file to mix loads first).
        const std::string folder = tank->Tank().GetFolder();
        host.onOperation = [&](const std::string& title) {
            if (title == fx.szTitle) tank->Tank().SetFolder(JoinPath(folder, "missing"));
        };
        const LCommandResult r = RunEffectCommand(*docs, fx, ValuesFor(fx));
        host.onOperation = nullptr;
        tank->Tank().SetFolder(folder);
        EXPECT_EQ(r, LCommandResult::kFailed);
        EXPECT_EQ(Samples(d.audio), in);
        EXPECT_EQ(d.UndoLabel(), fx.szUndoLabel);
        EXPECT_TRUE(d.bDirty);
        EXPECT_EQ(d.stSelEnd.ms, kSelEnd);
    }
}

TEST_F(EffectRunner, WithoutWhatACommandNeedsNothingHappens) {
    for (const LEffectDesc& fx : kEffects) {
        SCOPED_TRACE(fx.szUndoLabel);
        docs->ReleaseAll();
        EXPECT_EQ(RunEffectCommand(*docs, fx, ValuesFor(fx)), LCommandResult::kNothingToDo);  // no document
        ScriptedAsker asker;
        EXPECT_EQ(RunEffectCommand(*docs, fx, asker), LCommandResult::kNothingToDo);
        EXPECT_EQ(asker.dialogs, 0);
        LSDFile& d = Doc();
        docs->clipboard = LCutListAudio();
        d.stSelStart.ms = d.stSelEnd.ms = 0;
        const LCommandResult r = RunEffectCommand(*docs, fx, ValuesFor(fx));
        if (fx.needs == kNeedsDocument) {
            EXPECT_EQ(r, LCommandResult::kDone);
            continue;
        }
        EXPECT_EQ(r, LCommandResult::kNothingToDo);
        EXPECT_EQ(d.UndoLabel(), "");
        EXPECT_FALSE(d.bDirty);
    }
    // A selection but an empty clipboard: Paste Mix has nothing to mix.
    host.titles.clear();
    LSDFile& d = Doc();
    docs->clipboard = LCutListAudio();
    EXPECT_EQ(RunEffectCommand(*docs, EffectOf(LEffect::kPasteMix), ValuesFor(EffectOf(LEffect::kPasteMix))),
              LCommandResult::kNothingToDo);
    // Silence of no length is no work, and pushes no undo record.
    EXPECT_EQ(RunFx(*docs, LEffect::kInsertSilenceEnd, Values({0})), LCommandResult::kNothingToDo);
    EXPECT_EQ(d.UndoLabel(), "");
    EXPECT_TRUE(host.titles.empty());
}

TEST_F(EffectRunner, RefusedValuesAndUnloadableFilesPushNoUndoRecord) {
    LSDFile& d = Doc();
    EXPECT_EQ(RunFx(*docs, LEffect::kEcho, Values({3000, 50})), LCommandResult::kRefused);
    EXPECT_EQ(RunFx(*docs, LEffect::kCompressor, Values({0, 9, 0})), LCommandResult::kRefused);
    LEffectValues missing = Values({100, 0});
    missing.szPath = JoinPath(dir, "missing.wav");
    EXPECT_EQ(RunFx(*docs, LEffect::kMixFile, missing), LCommandResult::kNotLoaded);
    EXPECT_EQ(d.UndoLabel(), "");
    EXPECT_FALSE(d.bDirty);
    EXPECT_EQ(Samples(d.audio), in);
}

TEST_F(EffectRunner, UndoBeforeTheDialogIsTakenOnce) {
    for (LEffect id : {LEffect::kPasteMix, LEffect::kConstantPitchSpeed}) {
        const LEffectDesc& fx = EffectOf(id);
        SCOPED_TRACE(fx.szUndoLabel);
        ASSERT_TRUE(fx.bUndoBeforeDialog);
        LSDFile& d = Doc();
        // The dialog sees the undo record already pushed.
        const LEffectValues values = ValuesFor(fx);
        struct Asker : ScriptedAsker {
            LSDFile* doc = nullptr;
            std::string label;
            bool AskValues(const LEffectDesc& f, LEffectValues& shown) override {
                label = doc->UndoLabel();
                return ScriptedAsker::AskValues(f, shown);
            }
        } asker;
        asker.doc = &d;
        asker.values = &values;
        asker.file = mixPath;
        ASSERT_EQ(RunEffectCommand(*docs, fx, asker), LCommandResult::kDone);
        EXPECT_EQ(asker.label, fx.szUndoLabel);
        ASSERT_TRUE(docs->CmUndo());
        EXPECT_EQ(Samples(d.audio), in);
        EXPECT_EQ(d.UndoLabel(), "");  // one record, not two
    }
}
