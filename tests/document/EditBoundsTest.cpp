// The edit commands hold selections, positions and inserted lengths to the
// audio, so that neither the editor nor the command-line tool can make an
// edit reach past the end, wrap a frame count or lose audio; files with
// channel counts the editor does not convert are refused wherever a file
// comes in.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "DocTestUtil.h"
#include "document/LDocuments.h"
#include "document/LEditCommands.h"
#include "effects/LEffectRunner.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

constexpr int32_t kRate = 8000;
constexpr int32_t kFrames = 3 * kRate;  // a 3 s document

// Runs a record of the effect table with these values; true when it was done.
bool RunFx(LDocuments& docs, LEffect id, std::initializer_list<int32_t> v, const std::string& path = "") {
    LEffectValues values;
    int i = 0;
    for (int32_t x : v) values.v[i++] = x;
    values.szPath = path;
    return RunEffectCommand(docs, EffectOf(id), values) == LCommandResult::kDone;
}

class EditBounds : public TankTest {
protected:
    void SetUp() override {
        TankTest::SetUp();
        SetSettingsStore(&settings);
        WriteBool("Settings", "AutoPlaybackAfterEffects", false);
        WriteBool("Settings", "VoxPromptSampleRate", false);
    }
    void TearDown() override {
        docs.ReleaseAll();
        docs.clipboard = LCutListAudio();
        SetSettingsStore(nullptr);
        TankTest::TearDown();
    }
    LSDFile& Document() {
        docs.ReleaseAll();
        LSDFile& d = docs.AddUntitled(MakeSegment(Ramp(kFrames, 1, 1), 1, kRate));
        d.stSelStart.ms = d.stSelEnd.ms = d.stPosition.ms = 0;
        return d;
    }

    LMemorySettings settings;
    ScriptedHost host;
    LDocuments docs{host};
};

TEST_F(EditBounds, SelectionsPositionsAndLengthsStayWithinTheAudio) {
    struct Case {
        const char* name;
        int32_t selStart, selEnd, position;  // milliseconds
        std::function<bool(LDocuments&)> command;
        bool did;
        int32_t length;       // frames afterwards
        const char* message;  // part of the error shown, or null for none
    };
    auto silentLongCut = [] {  // a clipboard as long as a document may be
        LCutListAudio l(kRate, 1);
        l.lstCuts.AddTail(LAudioCut(kSilentIndex, kMaxStreamFrames));
        return l;
    };
    const Case cases[] = {
        {"silence wholly past the end", 5000, 6000, 0, CmEditSilence, false, kFrames, nullptr},
        {"silence reaching past the end", 2000, 6000, 0, CmEditSilence, true, kFrames, nullptr},
        {"delete reaching past the end", 2500, 9000, 0, CmClear, true, kFrames - kRate / 2, nullptr},
        {"cut from before the start", -500, 500, 0, CmCut, true, kFrames - kRate / 2, nullptr},
        {"repeat reaching past the end", 2000, 99999, 0, [](LDocuments& d) { return RunFx(d, LEffect::kRepeatLoop, {2}); }, true,
         kFrames + 2 * kRate, nullptr},
        {"insert silence at 2^31 - 1 ms", 0, 0, INT32_MAX,
         [](LDocuments& d) { return RunFx(d, LEffect::kInsertSilenceCurrent, {100}); }, true, kFrames + kRate / 10,
         nullptr},
        {"insert silence too long to hold", 0, 0, 0,
         [](LDocuments& d) { return RunFx(d, LEffect::kInsertSilenceCurrent, {INT32_MAX}); }, false, kFrames,
         "longer than Sondrel can hold"},
        {"trim start at 2^31 - 1 ms", 0, 0, INT32_MAX, CmTrimStart, true, 0, nullptr},
        {"trim end at a negative position", 0, 0, -5, CmTrimEnd, true, 0, nullptr},
        {"fade past the end", 4000, 5000, 0, [](LDocuments& d) { return RunFx(d, LEffect::kFadeOut, {}); }, false,
         kFrames, nullptr},
        {"paste of an empty clipboard", 1000, 2000, 0, CmPaste, false, kFrames, nullptr},
        {"paste too long to hold", 1000, 2000, 0,
         [&](LDocuments& d) {
             d.clipboard = silentLongCut();
             return CmPaste(d);
         },
         false, kFrames, "longer than Sondrel can hold"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LSDFile& d = Document();
        docs.clipboard = LCutListAudio();
        host.errors.clear();
        d.stSelStart.ms = c.selStart;
        d.stSelEnd.ms = c.selEnd;
        d.stPosition.ms = c.position;
        EXPECT_EQ(c.command(docs), c.did);
        EXPECT_EQ(d.audio.GetLength(), c.length);
        if (c.message) {
            ASSERT_EQ(host.errors.size(), 1u);
            EXPECT_NE(host.errors[0].find(c.message), std::string::npos) << host.errors[0];
        } else {
            EXPECT_TRUE(host.errors.empty()) << host.errors[0];
        }
        // An edit that had nothing to do takes no undo step either.
        if (!c.did && !c.message) {
            EXPECT_EQ(d.UndoLabel(), "");
        }
        // Whatever happened, the document's times stay inside its audio.
        EXPECT_LE(d.stSelEnd.ms, d.LengthMs());
        EXPECT_LE(d.stPosition.ms, d.LengthMs());
    }
}

TEST_F(EditBounds, SilenceReachingPastTheEndSilencesOnlyTheAudioThere) {
    LSDFile& d = Document();
    d.stSelStart.ms = 2000;
    d.stSelEnd.ms = 6000;
    ASSERT_TRUE(CmEditSilence(docs));
    std::vector<int32_t> want = Ramp(2 * kRate, 1, 1);
    want.resize(kFrames, 0);
    EXPECT_EQ(ReadList(d.audio), want);
}

TEST_F(EditBounds, FilesWithMoreThanTwoChannelsComeInMixedDownWhereverTheyComeIn) {
    for (uint32_t chans : {3u, 6u}) {
        SCOPED_TRACE(chans);
        std::string path = JoinPath(szDir, "multi" + std::to_string(chans) + ".wav");
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), kRate, 0, 16, chans);
            std::vector<int32_t> s = Ramp(1000, chans, 16);
            sink->Write(s.data(), 1000);
            ASSERT_TRUE(sink->Finish());
        }
        struct Way {
            const char* name;
            std::function<bool()> run;
        };
        const Way ways[] = {
            {"open", [&] { return docs.AddFileToList(path, false); }},
            {"insert", [&] { return CmInsertFile(docs, kInsertAtBegin, path); }},
            {"mix", [&] {
                 docs.Current()->stSelEnd.ms = 1000;
                 return RunFx(docs, LEffect::kMixFile, {50, 0}, path);
             }},
        };
        for (const Way& w : ways) {
            SCOPED_TRACE(w.name);
            LSDFile& d = Document();
            const int32_t before = d.audio.GetLength();
            const int files = docs.GetNoFiles();
            host.errors.clear();
            EXPECT_TRUE(w.run());
            EXPECT_TRUE(host.errors.empty());
            // Opened as a stereo document of its own; inserted into or mixed
            // with the mono document as the other stereo files are.
            LSDFile& now = *docs.Current();
            EXPECT_EQ(now.audio.nChans, std::string(w.name) == "open" ? 2 : 1);
            EXPECT_EQ(docs.GetNoFiles(), std::string(w.name) == "open" ? files + 1 : files);
            if (std::string(w.name) == "insert") {
                EXPECT_EQ(now.audio.GetLength(), before + 1000);
            }
            if (std::string(w.name) == "open") docs.MakeCurrent(&d);
        }
    }
}

TEST(TimeConversion, FarTimesSaturateInsteadOfWrapping) {
    struct Case {
        int32_t ms, rate, frames;
    };
    for (const Case& c : {Case{INT32_MAX, 44100, INT32_MAX}, Case{INT32_MIN, 44100, INT32_MIN},
                          Case{48695, 44100, 2147449}, Case{-1500, 8000, -12000}, Case{INT32_MAX, 1, 2147483}}) {
        EXPECT_EQ(LSoundTime(c.ms).GetSamples(c.rate), c.frames) << c.ms << " at " << c.rate;
    }
    EXPECT_EQ(LSoundTime::FromSamples(INT32_MAX, 1).ms, INT32_MAX);
    EXPECT_EQ(LSoundTime::FromSamples(INT32_MAX, 44100).ms, 48695774);  // (2^31 - 1) / 44.1, truncated
}

}  // namespace
