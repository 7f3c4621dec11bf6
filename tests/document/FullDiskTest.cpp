// Saves, loads and effects on a disk that fills up after N bytes, for every
// format the editor saves and many N (inside a header, at block edges, one
// byte short): the operation fails with a message naming the file and the
// cause, the file that was there is intact byte for byte, the document is
// as it was, and no temporary or segment file is left behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "DocTestUtil.h"
#include "document/LDocuments.h"
#include "document/LEditCommands.h"
#include "effects/LEffectRunner.h"
#include "formats/LRealAudio.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::vector<uint8_t> Bytes(const std::string& path) {
    std::vector<uint8_t> b;
    EXPECT_TRUE(LFile::ReadAll(path.c_str(), b)) << path;
    return b;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class FullDisk : public TankTest {
protected:
    void SetUp() override {
        TankTest::SetUp();
        SetSettingsStore(&settings);
        WriteBool("Settings", "AutoPlaybackAfterEffects", false);
        out = ScratchDir("full-out");
    }
    void TearDown() override {
        LFile::SimulateDiskFull("", 0);
        docs.ReleaseAll();
        SetSettingsStore(nullptr);
        TankTest::TearDown();
    }
    // An untitled document of a stereo tone, 1.5 s at 8000 Hz.
    LSDFile& ToneDocument(uint32_t chans) {
        LCutListAudio audio = MakeSegment(Sine(12000, chans, 8000, 440, 200000), chans, 8000);
        LSDFile& d = docs.AddUntitled(audio);
        d.bDirty = 1;
        return d;
    }

    LMemorySettings settings;
    ScriptedHost host;
    LDocuments docs{host};
    std::string out;
};

TEST_F(FullDisk, ASaveThatDoesNotFitFailsAndKeepsThePreviousFile) {
    struct Case {
        const char* ext;
        uint32_t chans;
    };
    for (const Case& c : {Case{".wav", 2}, Case{".gsm", 1}, Case{".vox", 1}}) {
        SCOPED_TRACE(c.ext);
        LSDFile& d = ToneDocument(c.chans);
        // What a complete save writes: its size sets the N to try.
        d.szFilePath = JoinPath(out, std::string("whole") + c.ext);
        ASSERT_TRUE(docs.CmSave());
        const int64_t whole = int64_t(Bytes(d.szFilePath).size());
        ASSERT_GT(whole, 1000);

        const std::string keep = JoinPath(out, std::string("keep") + c.ext);
        const std::vector<uint8_t> previous(777, 0x5A);  // what the user had there
        ASSERT_TRUE(LFile::WriteAll(keep.c_str(), previous.data(), previous.size()));
        d.szFilePath = keep;
        for (int64_t n : {int64_t(0), int64_t(1), int64_t(20), int64_t(45), int64_t(46), int64_t(47), int64_t(33),
                          int64_t(4096), int64_t(8192 + 1), whole / 2, whole - 1}) {
            if (n >= whole) continue;  // a short file has no such block edge
            SCOPED_TRACE(n);
            d.bDirty = 1;
            host.errors.clear();
            LFile::SimulateDiskFull(out, n);
            EXPECT_FALSE(docs.CmSave());
            LFile::SimulateDiskFull("", 0);
            EXPECT_EQ(d.bDirty, 1);
            EXPECT_EQ(Bytes(keep), previous);
            ASSERT_EQ(host.errors.size(), 1u);
            EXPECT_TRUE(Contains(host.errors[0], "Cannot save \"" + keep + "\": the disk is full")) << host.errors[0];
            auto left = LFile::List(out.c_str(), "");
            std::sort(left.begin(), left.end());
            EXPECT_EQ(left, (std::vector<std::string>{std::string("keep") + c.ext, std::string("whole") + c.ext}));
        }
        // With room enough the same save goes through and replaces the file.
        LFile::SimulateDiskFull(out, 4 * whole);
        EXPECT_TRUE(docs.CmSave());
        LFile::SimulateDiskFull("", 0);
        EXPECT_EQ(Bytes(keep), Bytes(JoinPath(out, std::string("whole") + c.ext)));
        LFile::Delete(keep.c_str());
        LFile::Delete(JoinPath(out, std::string("whole") + c.ext).c_str());
        docs.ReleaseAll();
    }
}

TEST_F(FullDisk, ALoadIntoAFullTankOpensNothingAndSaysSo) {
    std::string wav = JoinPath(out, "in.wav");
    {
        LSDFile& d = ToneDocument(2);
        d.szFilePath = wav;
        ASSERT_TRUE(docs.CmSave());
        docs.ReleaseAll();
    }
    ASSERT_EQ(AudFileCount(szDir), 0u);
    for (int64_t n : {int64_t(0), int64_t(100), int64_t(8192 * 8 - 1), int64_t(8192 * 8 + 5)}) {
        SCOPED_TRACE(n);
        host.errors.clear();
        LFile::SimulateDiskFull(szDir, n);
        EXPECT_FALSE(docs.AddFileToList(wav, false));
        LFile::SimulateDiskFull("", 0);
        EXPECT_EQ(docs.GetNoFiles(), 0);
        EXPECT_EQ(AudFileCount(szDir), 0u);
        ASSERT_EQ(host.errors.size(), 1u);
        // The file is fine: the message must say so, and name the full folder's file.
        EXPECT_TRUE(Contains(host.errors[0], "Cannot open \"" + wav + "\": the disk is full (\"" + szDir))
            << host.errors[0];
    }
}

TEST_F(FullDisk, AnEffectThatCannotWriteItsAudioLeavesTheDocumentAlone) {
    LSDFile& d = ToneDocument(2);
    const std::vector<int32_t> before = ReadList(d.audio);
    d.stSelStart.ms = 100;
    d.stSelEnd.ms = 1400;
    const size_t segments = AudFileCount(szDir);
    LFile::SimulateDiskFull(szDir, 5000);
    EXPECT_EQ(RunEffectCommand(docs, EffectOf(LEffect::kFadeIn), LEffectValues()), LCommandResult::kFailed);
    LFile::SimulateDiskFull("", 0);
    EXPECT_EQ(ReadList(d.audio), before);
    EXPECT_EQ(AudFileCount(szDir), segments);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_TRUE(Contains(host.errors[0], "the disk is full")) << host.errors[0];
    // Undo still gives the same audio: the snapshot was taken before the effect.
    EXPECT_TRUE(docs.CmUndo());
    EXPECT_EQ(ReadList(d.audio), before);
}

// A load whose operation already showed why it failed (the RealAudio
// decoder's own message) is told once, not again as a second box.
TEST_F(FullDisk, ALoadFailureTheOperationShowedIsToldOnce) {
    LDecodeRealAudio was = pDecodeRealAudio;
    pDecodeRealAudio = [](LProgress* progress, const std::string&, const std::string&) {
        progress->ShowError("The decoder is missing.");
        return kProcessFailed;
    };
    std::string ra = JoinPath(out, "song.ra");
    ASSERT_TRUE(LFile::WriteAll(ra.c_str(), ".ra\xfd", 4));
    EXPECT_FALSE(docs.AddFileToList(ra, false));
    pDecodeRealAudio = was;
    EXPECT_EQ(host.errors, std::vector<std::string>{"The decoder is missing."});
    EXPECT_EQ(docs.GetNoFiles(), 0);
}

}  // namespace
