#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>

#include "document/LCutListEdit.h"
#include "document/LDocuments.h"
#include "document/LSDLoadFile.h"
#include "formats/LWaveFile.h"
#include "formats/gsm/LGSMFile.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/DocumentFixture.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

class Documents : public DocumentFixture {
protected:
    // A 16-bit WAV file of a ramp (sample i = i * 16 internally).
    std::string MakeWav(const std::string& name, int32_t frames, uint32_t chans, int32_t rate = 8000) {
        std::string path = JoinPath(dir, name);
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), rate, 0, 16, int32_t(chans));
        std::vector<int32_t> block;
        for (int32_t i = 0; i < frames; ++i)
            for (uint32_t c = 0; c < chans; ++c) block.push_back(((i % 2000) - 1000 + int32_t(c) * 7) * 16);
        for (size_t off = 0; off < size_t(frames); off += 8192) {
            int32_t n = int32_t(std::min<size_t>(8192, size_t(frames) - off));
            sink->Write(block.data() + off * chans, n);
        }
        return path;
    }
};

}  // namespace

TEST_F(Documents, NineEditsAndNineUndosWithEightLevels) {
    docs->SetHistoryLimits({8, 0});
    ASSERT_TRUE(docs->AddFileToList(MakeWav("a.wav", 1000, 1), false));
    LSDFile& d = *docs->Current();
    std::vector<std::vector<int32_t>> states{Samples(d.audio)};
    for (int i = 1; i <= 9; ++i) {
        docs->StartModifyCurrentFile(("Edit " + std::to_string(i)).c_str());
        d.audio.EfDelete(0, 10 * i);
        d.stPosition.ms = i;
        states.push_back(Samples(d.audio));
    }
    EXPECT_EQ(d.UndoLabel(), "Edit 9");
    for (int i = 9; i >= 2; --i) {
        ASSERT_TRUE(docs->CmUndo()) << i;
        EXPECT_EQ(Samples(d.audio), states[size_t(i - 1)]) << i;
        EXPECT_EQ(d.stPosition.ms, i - 1);
    }
    EXPECT_FALSE(docs->CmUndo());  // the ninth: the oldest step went
    EXPECT_EQ(Samples(d.audio), states[1]);
    EXPECT_EQ(d.UndoLabel(), "");
    // Redo walks forward again through all eight.
    EXPECT_EQ(d.RedoLabel(), "Edit 2");
    for (int i = 2; i <= 9; ++i) {
        ASSERT_TRUE(docs->CmRedo()) << i;
        EXPECT_EQ(Samples(d.audio), states[size_t(i)]) << i;
        EXPECT_EQ(d.stPosition.ms, i);
    }
    EXPECT_FALSE(docs->CmRedo());
    EXPECT_EQ(d.UndoLabel(), "Edit 9");
}

TEST_F(Documents, UndoAfterACancelledConversionRestoresAudioAndDirtyFlag) {
    ASSERT_TRUE(docs->AddFileToList(MakeWav("b.wav", 40000, 2), false));
    LSDFile& d = *docs->Current();
    auto before = Samples(d.audio);
    EXPECT_EQ(d.bDirty, 0);
    host.cancelAfterBlocks = 1;
    host.convertTo = 16000;
    EXPECT_FALSE(docs->CmConvertSampleRate());
    EXPECT_EQ(d.audio.nSampleRate, 16000);  // keeps the part converted so far
    EXPECT_EQ(d.bDirty, 1);
    EXPECT_EQ(d.UndoLabel(), "Convert Sample Rate");
    ASSERT_TRUE(docs->CmUndo());
    EXPECT_EQ(d.audio.nSampleRate, 8000);
    EXPECT_EQ(d.audio.nChans, 2);
    EXPECT_EQ(d.bDirty, 0);
    EXPECT_EQ(Samples(d.audio), before);
}

TEST_F(Documents, ConvertingRateAndChannelsWithUndo) {
    ASSERT_TRUE(docs->AddFileToList(MakeWav("c.wav", 8000, 2), false));
    LSDFile& d = *docs->Current();
    host.convertTo = 16000;
    ASSERT_TRUE(docs->CmConvertSampleRate());
    EXPECT_EQ(d.audio.nSampleRate, 16000);
    EXPECT_EQ(d.audio.GetLength(), 16000);
    EXPECT_EQ(docs->StatusText(), "Sample Rate: 16000   Stereo");
    ASSERT_TRUE(docs->CmConvertChannel(1));
    EXPECT_EQ(d.audio.nChans, 1);
    EXPECT_EQ(docs->StatusText(), "Sample Rate: 16000   Mono");
    EXPECT_FALSE(docs->CmConvertChannel(1));  // already mono: nothing, no snapshot
    EXPECT_EQ(d.UndoLabel(), "Convert Channels");
    ASSERT_TRUE(docs->CmUndo());
    EXPECT_EQ(d.audio.nChans, 2);
    ASSERT_TRUE(docs->CmUndo());
    EXPECT_EQ(d.audio.nSampleRate, 8000);
    EXPECT_EQ(d.audio.GetLength(), 8000);
}

TEST_F(Documents, OpeningTheSamePathInOtherCaseSwitchesToIt) {
    std::string p = MakeWav("Song.wav", 100, 1);
    ASSERT_TRUE(docs->LoadFile(p));
    ASSERT_TRUE(docs->AddFileToList("", false));
    EXPECT_EQ(docs->GetNoFiles(), 2);
    std::string other = p;
    for (char& c : other) c = char(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(docs->LoadFile(other));
    EXPECT_EQ(docs->GetNoFiles(), 2);
    EXPECT_EQ(docs->Current()->szFilePath, p);
    EXPECT_EQ(docs->TitleText(), "Sondrel [Song.wav]");
}

TEST_F(Documents, TwentyUntitledDocuments) {
    WriteBool("Settings", "PromptSampleAndChannels", false);
    for (int i = 1; i <= 20; ++i) {
        ASSERT_TRUE(docs->CmNew());
        EXPECT_EQ(docs->Current()->nUntitledIdx, uint32_t(i <= 19 ? i : 1)) << i;
    }
    EXPECT_EQ(docs->Current()->DisplayName(), "Untitled 1");
    EXPECT_EQ(docs->TitleText(), "Sondrel [Untitled 1]");
    // Closing Untitled 3 frees its number for the next new file.
    docs->MakeCurrent(docs->At(2));
    ASSERT_TRUE(docs->CmClose());
    ASSERT_TRUE(docs->CmNew());
    EXPECT_EQ(docs->Current()->nUntitledIdx, 3u);
}

TEST_F(Documents, NewFileFormatFromSettings) {
    WriteInt("Settings", "SelectedSampleRate", 22050);
    WriteInt("Settings", "SelectedChannels", 2);
    WriteInt("Settings", "DefaultSampleRate", 11025);
    ASSERT_TRUE(docs->CmNew());
    EXPECT_EQ(docs->Current()->audio.nSampleRate, 22050);
    EXPECT_EQ(docs->Current()->audio.nChans, 2);
    WriteBool("Settings", "PromptSampleAndChannels", false);
    ASSERT_TRUE(docs->CmNew());
    EXPECT_EQ(docs->Current()->audio.nSampleRate, 11025);
    EXPECT_EQ(docs->Current()->audio.nChans, 1);
    WriteBool("Settings", "PromptSampleAndChannels", true);
    host.newFileOk = false;
    EXPECT_FALSE(docs->CmNew());
    EXPECT_EQ(docs->GetNoFiles(), 2);
}

TEST_F(Documents, CloseAllCancelledAtTheSecondPromptClosesNone) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(docs->AddFileToList(MakeWav("d" + std::to_string(i) + ".wav", 100, 1), false));
        docs->StartModifyCurrentFile("Delete");
    }
    host.answers = {LDocumentHost::kNo, LDocumentHost::kCancel};
    EXPECT_FALSE(docs->CmCloseAll());
    EXPECT_EQ(docs->GetNoFiles(), 3);
    ASSERT_EQ(host.asked.size(), 2u);
    EXPECT_EQ(host.asked[0], "Save changes to \"d0.wav\"?");
    EXPECT_EQ(host.asked[1], "Save changes to \"d1.wav\"?");
    host.answers = {LDocumentHost::kNo, LDocumentHost::kNo, LDocumentHost::kNo};
    EXPECT_TRUE(docs->CmCloseAll());
    EXPECT_EQ(docs->GetNoFiles(), 0);
    EXPECT_EQ(docs->Current(), nullptr);
    EXPECT_EQ(docs->TitleText(), "Sondrel");
}

TEST_F(Documents, SaveRulesByExtension) {
    ASSERT_TRUE(docs->AddFileToList(MakeWav("e.wav", 3000, 2), false));
    LSDFile& d = *docs->Current();
    d.StartModify("Delete");
    d.audio.EfDelete(0, 1000);

    d.szFilePath = JoinPath(dir, "out.xyz");  // a name typed with an extension of its own
    EXPECT_FALSE(docs->CmSave());
    EXPECT_EQ(d.bDirty, 1);
    EXPECT_FALSE(LFile::Exists(d.szFilePath.c_str()));

    d.szFilePath = JoinPath(dir, "out.wav");
    ASSERT_TRUE(docs->CmSave());
    EXPECT_EQ(d.bDirty, 0);
    LSoundSourcePtr back = LWaveFile::OpenSource(d.szFilePath.c_str());
    EXPECT_EQ(back->GetLength(), 2000);
    EXPECT_EQ(ReadAll(*back), Samples(d.audio));

    d.szFilePath = JoinPath(dir, "song.rm");
    d.bDirty = 1;
    host.answers = {LDocumentHost::kNo};
    EXPECT_FALSE(docs->CmSave());
    EXPECT_EQ(host.asked.back(),
              "Saving in real audio file format is not supported. Do you want to save in another format (wav, mp3, "
              "gsm, vox) instead?");
    EXPECT_EQ(d.bDirty, 1);
}

TEST_F(Documents, CancelledSaveLeavesTheExistingFileIntact) {
    std::string target = MakeWav("keep.wav", 50000, 1);
    std::vector<uint8_t> before;
    ASSERT_TRUE(LFile::ReadAll(target.c_str(), before));
    ASSERT_TRUE(docs->AddFileToList(MakeWav("other.wav", 60000, 2), false));
    LSDFile& d = *docs->Current();
    d.szFilePath = target;
    d.bDirty = 1;
    host.cancelAfterBlocks = 2;
    EXPECT_FALSE(docs->CmSave());
    EXPECT_EQ(d.bDirty, 1);
    std::vector<uint8_t> after;
    ASSERT_TRUE(LFile::ReadAll(target.c_str(), after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(LFile::List(dir.c_str(), ".tmp").size(), 0u);  // no temporary file left behind
}

TEST_F(Documents, SaveAsAsksBeforeReplacing) {
    std::string existing = MakeWav("exists.wav", 10, 1);
    ASSERT_TRUE(docs->AddFileToList(MakeWav("f.wav", 500, 1), false));
    host.savePaths = {existing, existing, JoinPath(dir, "new.wav")};
    host.answers = {LDocumentHost::kNo, LDocumentHost::kCancel};
    EXPECT_FALSE(docs->CmSaveAs());  // No shows the dialog again; Cancel stops
    EXPECT_EQ(host.asked.size(), 2u);
    EXPECT_EQ(host.asked[0], "Another file with the same name already exists. Do you want to replace it?");
    EXPECT_NE(docs->Current()->szFilePath, JoinPath(dir, "new.wav"));
    ASSERT_TRUE(docs->CmSaveAs());
    EXPECT_EQ(docs->Current()->szFilePath, JoinPath(dir, "new.wav"));
    EXPECT_EQ(docs->Current()->bDirty, 0);
    EXPECT_EQ(LWaveFile::OpenSource(JoinPath(dir, "new.wav").c_str())->GetLength(), 500);
}

TEST_F(Documents, VoxRateAndStereoSaveAsVoxConvertsWithUndo) {
    ASSERT_TRUE(docs->AddFileToList(MakeWav("g.wav", 8000, 2), false));
    LSDFile& d = *docs->Current();
    d.szFilePath = JoinPath(dir, "g.vox");
    d.bDirty = 1;
    ASSERT_TRUE(docs->CmSave());
    EXPECT_EQ(d.audio.nChans, 1);
    EXPECT_EQ(d.UndoLabel(), "Convert Channels");
    ASSERT_TRUE(docs->CmUndo());
    EXPECT_EQ(d.audio.nChans, 2);

    WriteBool("Settings", "VoxPromptSampleRate", false);
    ASSERT_TRUE(docs->AddFileToList(JoinPath(dir, "g.vox"), false));
    EXPECT_EQ(docs->Current()->audio.nSampleRate, 8000);
    EXPECT_EQ(docs->Current()->audio.GetLength(), 8000);
    docs->CmClose();

    WriteBool("Settings", "VoxPromptSampleRate", true);
    host.voxOk = false;
    EXPECT_FALSE(docs->AddFileToList(JoinPath(dir, "g.vox"), false));
    host.voxOk = true;
    ASSERT_TRUE(docs->AddFileToList(JoinPath(dir, "g.vox"), false));
    EXPECT_EQ(docs->Current()->audio.nSampleRate, 6000);
}

TEST_F(Documents, UnreadableOrUnknownFilesOpenNothing) {
    std::string junk = JoinPath(dir, "junk.wav");
    ASSERT_TRUE(LFile::WriteAll(junk.c_str(), "not a wave file", 15));
    EXPECT_FALSE(docs->AddFileToList(junk, false));
    EXPECT_FALSE(docs->AddFileToList(JoinPath(dir, "missing.wav"), false));
    EXPECT_FALSE(docs->AddFileToList(MakeWav("h.txt", 10, 1), false));
    EXPECT_EQ(docs->GetNoFiles(), 0);
    EXPECT_EQ(docs->Current(), nullptr);
    // Nothing of the failed loads stays in the tank.
    EXPECT_EQ(LFile::List(JoinPath(dir, "tank").c_str(), ".aud").size(), 0u);
}

TEST_F(Documents, ImportsBecomeUntitledAndDirty) {
    ASSERT_TRUE(docs->AddFileToList(MakeWav("track.wav", 100, 2), true));
    EXPECT_EQ(docs->Current()->szFilePath, "");
    EXPECT_EQ(docs->Current()->bDirty, 1);
    EXPECT_EQ(docs->Current()->DisplayName(), "Untitled 1");
}

TEST_F(Documents, EndModifyPlacesTheCursorAndPlaysWithPreRoll) {
    ASSERT_TRUE(docs->AddFileToList(MakeWav("i.wav", 80000, 1), false));
    docs->EndModifyCurrentFile(500, 3000);
    EXPECT_EQ(docs->Current()->stPosition.ms, 2500);
    EXPECT_EQ(host.played, 2500);
    docs->EndModifyCurrentFile(1000, 300);
    EXPECT_EQ(docs->Current()->stPosition.ms, 0);
    WriteBool("Settings", "AutoPlaybackAfterEffects", false);
    host.played = -1;
    docs->EndModifyCurrentFile(500, 3000);
    EXPECT_EQ(docs->Current()->stPosition.ms, 3000);
    EXPECT_EQ(host.played, -1);
}

TEST_F(Documents, Mp3FilesOpenAsDocuments) {
    if (!HavePeer("lame")) GTEST_SKIP() << "lame is not installed";
    std::string wav = MakeWav("tone.wav", 44100, 2, 44100);
    std::string mp3 = JoinPath(dir, "tone.mp3");
    ASSERT_EQ(RunCommand("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'"), 0);
    ASSERT_TRUE(docs->AddFileToList(mp3, false));
    LSDFile& d = *docs->Current();
    EXPECT_EQ(d.audio.nSampleRate, 44100);
    EXPECT_EQ(d.audio.nChans, 2);
    // The second of audio, plus what the encoder adds: its delay and padding
    // and the tag frame that opens the file, each at most a frame of 1152.
    EXPECT_GE(d.audio.GetLength(), 44100);
    EXPECT_LE(d.audio.GetLength(), 44100 + 4 * 1152);
    EXPECT_EQ(docs->TitleText(), "Sondrel [tone.mp3]");
}

TEST_F(Documents, APlainConversionWritesWhatOpenAndSaveWriteWithoutTheDataFolder) {
    // A loud square wave through our own GSM encoder: its decode overshoots
    // 16-bit full scale, so the load's limiter and the save's both act.
    std::string loudGsm = JoinPath(dir, "loud.gsm");
    {
        LSoundSinkPtr sink = OpenGSMSink(loudGsm.c_str());
        std::vector<int32_t> square(8000);
        for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 20) % 2 ? kMax16 : -kFullScale;
        for (int k = 0; k < 4; ++k) sink->Write(square.data(), int32_t(square.size()));
    }
    {
        LSoundSourcePtr decoded = OpenGSMSource(loudGsm.c_str());
        std::vector<int32_t> s = ReadAll(*decoded);
        ASSERT_GT(*std::max_element(s.begin(), s.end()), kMax16);
    }
    const std::string mp3 = std::string(SONDREL_FIXTURES_DIR) + "/mp3_joint44.mp3";
    const std::string wav = MakeWav("in.wav", 30000, 2, 44100);
    struct Case {
        std::string in;
        const char* out;
    };
    const std::string flac = std::string(SONDREL_FIXTURES_DIR) + "/fx_flac24.flac";
    const std::string ogg = std::string(SONDREL_FIXTURES_DIR) + "/fx_vorbis.ogg";
    const std::string opus = std::string(SONDREL_FIXTURES_DIR) + "/fx_opus.opus";
    const std::string wide = std::string(SONDREL_FIXTURES_DIR) + "/fx_6ch.wav";
    const Case cases[] = {{wav, ".wav"},  {wav, ".gsm"}, {loudGsm, ".wav"}, {mp3, ".wav"},  {mp3, ".gsm"},
                          {flac, ".wav"}, {ogg, ".wav"}, {opus, ".gsm"},    {wide, ".wav"}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in + " -> " + c.out);
        if (!LFile::Exists(c.in.c_str())) {
            ADD_FAILURE() << "missing fixture (the peer_fixtures test makes it)";
            continue;
        }
        ASSERT_TRUE(LDocuments::ConvertsWithoutDocument(c.in, std::string("x") + c.out));
        const std::string ref = JoinPath(dir, "ref" + std::to_string(n) + c.out);
        const std::string out = JoinPath(dir, "out" + std::to_string(n++) + c.out);
        host.notices.clear();
        ASSERT_TRUE(docs->AddFileToList(c.in, false));
        docs->Current()->szFilePath = ref;
        ASSERT_TRUE(docs->CmSave());
        docs->ReleaseAll();
        const std::vector<std::string> told = host.notices;  // a mixdown, say
        host.notices.clear();
        {
            // A data folder that does not exist: a segment written there would fail the run.
            LCutTankScope none(JoinPath(dir, "no such folder"));
            bool opened = false;
            ASSERT_EQ(docs->ConvertFile(c.in, out, &opened), kProcessDone);
            EXPECT_TRUE(opened);
        }
        std::vector<uint8_t> a, b;
        ASSERT_TRUE(LFile::ReadAll(ref.c_str(), a));
        ASSERT_TRUE(LFile::ReadAll(out.c_str(), b));
        EXPECT_GT(a.size(), 1000u);
        EXPECT_TRUE(a == b);
        EXPECT_EQ(host.notices, told);  // what the open told is told by the conversion too
    }
    EXPECT_EQ(host.errors.size(), 0u);
}

TEST_F(Documents, APlainConversionFailsAsOpenAndSaveFail) {
    // Which pairs go without a document: those whose save takes the audio as it is.
    struct Pair {
        const char* in;
        const char* out;
        bool direct;
    };
    for (const Pair& p : {Pair{"a.wav", "b.WAV", true}, Pair{"a.mp3", "b.gsm", true}, Pair{"a.gsm", "b.wav", true},
                          Pair{"a.flac", "b.wav", true}, Pair{"a.ogg", "b.wav", true}, Pair{"a.opus", "b.gsm", true},
                          Pair{"a.flac", "b.flac", false}, Pair{"a.wav", "b.opus", false},
                          Pair{"a.wav", "b.vox", false}, Pair{"a.wav", "b.mp3", false}, Pair{"a.ra", "b.wav", false},
                          Pair{"a.vox", "b.wav", false}, Pair{"a.txt", "b.wav", false}})
        EXPECT_EQ(LDocuments::ConvertsWithoutDocument(p.in, p.out), p.direct) << p.in << " -> " << p.out;
    WriteBool("Settings", "VoxPromptSampleRate", false);
    EXPECT_TRUE(LDocuments::ConvertsWithoutDocument("a.vox", "b.wav"));

    std::string junk = JoinPath(dir, "junk.wav");
    ASSERT_TRUE(LFile::WriteAll(junk.c_str(), "not a wave file", 15));
    bool opened = true;
    EXPECT_EQ(docs->ConvertFile(junk, JoinPath(dir, "o.wav"), &opened), kProcessFailed);
    EXPECT_FALSE(opened);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].rfind("Cannot open \"" + junk + "\"", 0), 0u) << host.errors[0];
    EXPECT_FALSE(LFile::Exists(JoinPath(dir, "o.wav").c_str()));

    // A target folder that does not exist: nothing is written, the save's message.
    std::string in = MakeWav("s.wav", 1000, 1);
    std::string target = JoinPath(JoinPath(dir, "missing"), "o.wav");
    EXPECT_EQ(docs->ConvertFile(in, target, &opened), kProcessFailed);
    EXPECT_TRUE(opened);
    ASSERT_EQ(host.errors.size(), 2u);
    EXPECT_EQ(host.errors[1].rfind("Cannot save \"" + target + "\"", 0), 0u) << host.errors[1];

    // A cancel leaves the file that was there.
    std::string keep = MakeWav("keep.wav", 50000, 1);
    std::vector<uint8_t> before, after;
    ASSERT_TRUE(LFile::ReadAll(keep.c_str(), before));
    host.cancelAfterBlocks = 2;
    EXPECT_EQ(docs->ConvertFile(MakeWav("long.wav", 60000, 2), keep, &opened), kProcessCancelled);
    ASSERT_TRUE(LFile::ReadAll(keep.c_str(), after));
    EXPECT_TRUE(after == before);
    EXPECT_EQ(LFile::List(dir.c_str(), ".tmp").size(), 0u);
}

// A load tells a display what it needs to draw the file while it arrives:
// the reader's length at once, and the overview of what has been copied.
TEST_F(Documents, ALoadHandsOutItsLengthAndAGrowingOverview) {
    const int32_t frames = 40000;
    SDLoadFile rec;
    rec.szPath = MakeWav("o.wav", frames, 2);
    LCutListAudio audio;
    rec.pAudio = &audio;
    struct Watch : LProgress {
        SDLoadFile* rec;
        int32_t calls = 0;
        bool IsCancelled() override {
            ++calls;
            EXPECT_EQ(rec->nExpectedFrames, 40000);
            EXPECT_TRUE(rec->pOverview);
            if (rec->pOverview) {
                EXPECT_FALSE(rec->pOverview->IsComplete());
            }
            return false;
        }
        void SetText(const char*, int) override {}
        void SetProgress(double) override {}
    } watch;
    watch.rec = &rec;
    ASSERT_EQ(Process(&watch, rec), kProcessDone);
    EXPECT_GE(watch.calls, 5);
    ASSERT_TRUE(rec.pOverview);
    EXPECT_TRUE(rec.pOverview->IsComplete());
    LPeakRange all, want;
    ASSERT_TRUE(rec.pOverview->ReadPeakRange(0, frames, all));
    std::vector<int32_t> s = Samples(audio);
    AddSamples(want, s.data(), s.size());
    EXPECT_EQ(all.lo, want.lo);
    EXPECT_EQ(all.hi, want.hi);
}
