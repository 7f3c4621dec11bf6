#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

#include "document/LDocuments.h"
#include "formats/export/ExportTestUtil.h"
#include "formats/LMP3Export.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::vector<uint8_t> Bytes(const std::string& path) {
    std::vector<uint8_t> b;
    LFile::ReadAll(path.c_str(), b);
    return b;
}
std::vector<uint8_t> Bytes(const char* text) { return std::vector<uint8_t>(text, text + std::strlen(text)); }

// Counts the calls to IsCancelled and cancels at the given one; records messages.
struct RecordingProgress : LProgress {
    int cancelAt = -1, polls = 0;
    std::vector<std::string> errors;
    std::string lines[2];
    bool IsCancelled() override { return ++polls == cancelAt || (cancelAt >= 0 && polls > cancelAt); }
    void SetText(const char* text, int line) override { lines[line] = text; }
    void SetProgress(double) override {}
    void ShowError(const char* text) override { errors.push_back(text); }
};

class Mp3Export : public ::testing::Test {
protected:
    void SetUp() override { dir = ScratchDir("mp3export"); }
    std::string Path(const std::string& name) { return JoinPath(dir, name); }
    std::string dir;
};

}  // namespace

TEST(EncoderCommandLine, QuotesBothPathsAndRefusesWhatQuotesCannotHold) {
    struct Case {
        const char *program, *wav, *mp3, *expected;
    } cases[] = {
        {"lame.exe", "C:\\a\\x.wav", "C:\\a\\x.mp3", "lame.exe -k -h --nohist \"C:\\a\\x.wav\" \"C:\\a\\x.mp3\""},
        {"lame.exe", "C:\\My Music\\take one.wav", "C:\\My Music\\take one.mp3",
         "lame.exe -k -h --nohist \"C:\\My Music\\take one.wav\" \"C:\\My Music\\take one.mp3\""},
        {"C:\\Program Files\\Sondrel\\lame.exe", "a.wav", "b.mp3",
         "\"C:\\Program Files\\Sondrel\\lame.exe\" -k -h --nohist \"a.wav\" \"b.mp3\""},
        {"lame", "/tmp/a b/x.wav", "/tmp/a b/x.mp3", "lame -k -h --nohist \"/tmp/a b/x.wav\" \"/tmp/a b/x.mp3\""},
        // A quote would end the argument early; a final backslash would escape the closing quote.
        {"lame.exe", "say \"hi\".wav", "x.mp3", ""},
        {"lame.exe", "x.wav", "C:\\out\\", ""},
        {"lame.exe", "", "x.mp3", ""},
        {"", "x.wav", "x.mp3", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(EncoderCommandLine(c.program, c.wav, c.mp3), c.expected) << c.wav;
}

// What LAME 3.100 wrote to its error output saving 20 s of stereo audio
// (Debian's lame, run with the editor's arguments), fed as a pipe hands it
// over: whole, a byte at a time, and in odd pieces. The bar follows each
// progress line, the one that has not yet been ended too, and only forward.
TEST(EncoderProgress, FollowsTheEncodersProgressLinesHoweverTheyArrive) {
    std::vector<uint8_t> captured;
    ASSERT_TRUE(LFile::ReadAll(SONDREL_SOURCE_DIR "/tests/data/encoder/lame-3.100-progress.txt", captured));
    const std::vector<double> expected = {100 / 767.0, 200 / 767.0, 300 / 767.0, 400 / 767.0,
                                          500 / 767.0, 600 / 767.0, 700 / 767.0, 1.0};
    for (size_t piece : {captured.size(), size_t(1), size_t(7), size_t(64)}) {
        LEncoderProgress parsed;
        std::vector<double> seen;
        for (size_t at = 0; at < captured.size(); at += piece) {
            size_t n = std::min(piece, captured.size() - at);
            if (parsed.Feed(reinterpret_cast<const char*>(captured.data()) + at, n)) seen.push_back(parsed.Fraction());
        }
        if (piece == captured.size()) {
            EXPECT_EQ(seen, std::vector<double>{1.0}) << "one piece holding every line moves once";
        } else {
            EXPECT_EQ(seen, expected) << "pieces of " << piece;
        }
        EXPECT_EQ(parsed.Fraction(), 1.0);
    }
}

TEST(EncoderProgress, PassesOverWhatIsNotAProgressLine) {
    struct Case {
        const char* text;
        double fraction;
    } cases[] = {
        {"     0/       ( 0%)|    0:00/     :  |", 0.0},  // the frames in all not known yet
        {"\r    50/100    (50%)|", 0.5},
        {"\r    50/100    (50%)|\r    40/100    (40%)|", 0.5},  // never backwards
        {"Encoding as 44.1 kHz j-stereo MPEG-1 Layer III (11x) 128 kbps qval=2\n", 0.0},
        {"\r   101/100    (101%)|", 0.0},
        {"\r     5/0    (0%)|", 0.0},
        {"\r    5/10 |", 0.0},
        {"\r1234567890123/99999999999999 (1%)", 0.0},  // numbers longer than any file has
        {"WARNING: -k is obsolete.\n    3/4 (75%)", 0.75},
    };
    for (const Case& c : cases) {
        LEncoderProgress parsed;
        parsed.Feed(c.text, std::strlen(c.text));
        EXPECT_EQ(parsed.Fraction(), c.fraction) << c.text;
    }
    // A line with no end is kept short, and the next line still counts.
    LEncoderProgress parsed;
    std::string noise(100000, 'x');
    parsed.Feed(noise.data(), noise.size());
    const std::string line = "\r   7/14   (50%)|";
    parsed.Feed(line.data(), line.size());
    EXPECT_EQ(parsed.Fraction(), 0.5);
}

TEST_F(Mp3Export, TheTemporaryWaveLiesBesideTheTargetAndNeverTakesAUsersFile) {
    std::string wav = MakeEncoderWavePath(Path("song.mp3"));
    EXPECT_EQ(wav, Path("song.wav"));
    EXPECT_TRUE(LFile::Exists(wav.c_str())) << "the name is kept by an empty file";

    ASSERT_TRUE(LFile::WriteAll(Path("take.wav").c_str(), "user's audio", 12));
    std::string other = MakeEncoderWavePath(Path("take.mp3"));
    ASSERT_FALSE(other.empty());
    EXPECT_NE(other, Path("take.wav"));
    EXPECT_EQ(other.substr(0, dir.size()), dir) << "beside the target";
    EXPECT_TRUE(LFile::Exists(other.c_str()));
    EXPECT_EQ(Bytes(Path("take.wav")), Bytes("user's audio"));

    EXPECT_EQ(MakeEncoderWavePath(JoinPath(Path("no such folder"), "x.mp3")), "");
}

// Every way the encoder can end, with and without an earlier file at the
// target: only a clean exit with data counts, and only then is the old file
// replaced. The WAV goes in every case, and nothing else is left behind.
TEST_F(Mp3Export, OnlyACompleteMp3CountsAndReplacesTheOldFile) {
    struct Case {
        FakeEncoder::Mode mode;
        int exitCode;
        LProcessResult result;
        const char* message;  // part of the message shown; "" for none
    } cases[] = {
        {FakeEncoder::kCopiesTheWave, 0, kProcessDone, ""},
        {FakeEncoder::kCannotStart, 0, kProcessFailed, "could not be started"},
        {FakeEncoder::kCopiesTheWave, 1, kProcessFailed, "failed (exit code 1)"},
        {FakeEncoder::kWritesNothing, 0, kProcessFailed, "wrote no MP3 data"},
        {FakeEncoder::kWritesEmptyFile, 0, kProcessFailed, "wrote no MP3 data"},
    };
    for (const Case& c : cases) {
        for (bool hadOld : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", exit " << c.exitCode << ", old file " << hadOld);
            std::string folder = ScratchDir("mp3outcome");
            std::string target = JoinPath(folder, "out put.mp3"), wav = JoinPath(folder, "out put.wav");
            ASSERT_TRUE(LFile::WriteAll(wav.c_str(), "RIFF-wave", 9));
            if (hadOld) {
                ASSERT_TRUE(LFile::WriteAll(target.c_str(), "old mp3", 7));
            }

            FakeEncoder enc;
            enc.mode = c.mode;
            enc.exitCode = c.exitCode;
            FakeEncoderScope scope(enc);
            RecordingProgress progress;
            SDSaveAsMp3 rec{wav, target};
            EXPECT_EQ(Process(&progress, rec), c.result);

            EXPECT_EQ(progress.lines[0], "Encoding MP3");
            EXPECT_EQ(progress.lines[1], "Please wait...");
            ASSERT_EQ(enc.args.size(), 5u);
            EXPECT_EQ(enc.program, kEncoderProgram);
            std::string out = enc.args[4];
            EXPECT_EQ(hadOld, out != target) << "an old file stays until the new one is complete";
            EXPECT_EQ(std::filesystem::path(out).parent_path(), std::filesystem::path(target).parent_path());
            EXPECT_EQ(enc.args[3], wav);
            EXPECT_EQ(enc.commandLine, std::string(kEncoderProgram) + " -k -h --nohist \"" + wav + "\" \"" + out + "\"");

            if (*c.message) {
                ASSERT_EQ(progress.errors.size(), 1u);
                EXPECT_NE(progress.errors[0].find(c.message), std::string::npos) << progress.errors[0];
                EXPECT_NE(progress.errors[0].find(target), std::string::npos) << "the message names the file";
            } else {
                EXPECT_TRUE(progress.errors.empty());
            }
            std::vector<std::string> expectFiles;
            if (c.result == kProcessDone || hadOld) expectFiles.push_back("out put.mp3");
            EXPECT_EQ(FilesIn(folder), expectFiles);
            if (c.result == kProcessDone) {
                EXPECT_EQ(Bytes(target), Bytes("RIFF-wave"));
            } else if (hadOld) {
                EXPECT_EQ(Bytes(target), Bytes("old mp3"));
            }
        }
    }
}

TEST_F(Mp3Export, CancelEndsTheEncoderAndKeepsTheOldFile) {
    std::string target = Path("x.mp3"), wav = Path("x.wav");
    ASSERT_TRUE(LFile::WriteAll(wav.c_str(), "RIFF", 4));
    ASSERT_TRUE(LFile::WriteAll(target.c_str(), "old mp3", 7));
    FakeEncoder enc;
    enc.mode = FakeEncoder::kRunsUntilCancelled;
    FakeEncoderScope scope(enc);
    RecordingProgress progress;
    progress.cancelAt = 5;
    SDSaveAsMp3 rec{wav, target};
    EXPECT_EQ(Process(&progress, rec), kProcessCancelled);
    EXPECT_TRUE(enc.killed);
    EXPECT_TRUE(progress.errors.empty()) << "a cancel is no failure";
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"x.mp3"}) << "the partial output and the WAV are gone";
    EXPECT_EQ(Bytes(target), Bytes("old mp3"));
}

namespace {

class Mp3Save : public Mp3Export {
protected:
    void SetUp() override {
        Mp3Export::SetUp();
        std::filesystem::create_directories(Path("tank"));
        std::filesystem::create_directories(Path("out dir"));
        tank = std::make_unique<LCutTankScope>(Path("tank"));
        SetSettingsStore(&settings);
        // A stereo document at 22050 Hz with distinct channels.
        std::vector<int32_t> s;
        for (int i = 0; i < 30000; ++i) {
            s.push_back(((i * 37) % 4000 - 2000) * 16);
            s.push_back(((i * 11) % 3000 - 1500) * 16);
        }
        std::string src = Path("src.wav");
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(src.c_str(), 22050, 0, 16, 2);
            for (int off = 0; off < 30000; off += 8192) sink->Write(s.data() + off * 2, std::min(8192, 30000 - off));
        }
        samples = s;
        ASSERT_TRUE(docs->LoadFile(src));
        doc = docs->Current();
        doc->szFilePath = Path("out dir/my song.mp3");
        doc->bDirty = 1;
    }
    void TearDown() override {
        docs.reset();
        SetSettingsStore(nullptr);
    }
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
    ScriptedHost host;
    std::unique_ptr<LDocuments> docs = std::make_unique<LDocuments>(host);
    LSDFile* doc = nullptr;
    std::vector<int32_t> samples;
};

}  // namespace

// The encoder is given a 16-bit WAV of the document at its own rate and
// channels; the save counts, and the WAV is gone afterwards. A WAV of the
// user's that has the temporary file's name stays as it was.
TEST_F(Mp3Save, TheEncoderGetsTheDocumentAsA16BitWaveBesideTheTarget) {
    std::string usersWav = Path("out dir/my song.wav");
    ASSERT_TRUE(LFile::WriteAll(usersWav.c_str(), "keep me", 7));
    FakeEncoder enc;
    FakeEncoderScope scope(enc);
    ASSERT_TRUE(docs->CmSave());
    EXPECT_EQ(doc->bDirty, 0);
    EXPECT_EQ(host.titles, (std::vector<std::string>{"Loading Audio File Source", "Saving", "Save mp3"}));

    // The fake's "MP3" is the WAV it was given.
    LSoundSourcePtr given = LWaveFile::OpenSource(doc->szFilePath.c_str());
    ASSERT_FALSE(given->HasError());
    EXPECT_EQ(given->nSampleRate, 22050);
    EXPECT_EQ(given->nChans, 2);
    EXPECT_EQ(ReadAll(*given), samples);
    EXPECT_EQ(enc.waveSeen[34], 16) << "16 bits per sample";
    EXPECT_NE(enc.args[3], usersWav);
    EXPECT_EQ(Bytes(usersWav), Bytes("keep me"));
    given = LSoundSourcePtr();
    EXPECT_EQ(FilesIn(Path("out dir")), (std::vector<std::string>{"my song.mp3", "my song.wav"}));
}

TEST_F(Mp3Save, AFailedEncoderLeavesTheDocumentUnsavedAndTheOldFileInPlace) {
    ASSERT_TRUE(LFile::WriteAll(doc->szFilePath.c_str(), "old mp3", 7));
    FakeEncoder enc;
    enc.mode = FakeEncoder::kCannotStart;
    FakeEncoderScope scope(enc);
    EXPECT_FALSE(docs->CmSave());
    EXPECT_EQ(doc->bDirty, 1);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find(std::string("\"") + kEncoderProgram + "\" could not be started"), std::string::npos)
        << host.errors[0];
    EXPECT_EQ(Bytes(doc->szFilePath), Bytes("old mp3"));
    EXPECT_EQ(FilesIn(Path("out dir")), std::vector<std::string>{"my song.mp3"});
}

TEST_F(Mp3Save, ACancelledWaveWriteNeverStartsTheEncoder) {
    FakeEncoder enc;
    FakeEncoderScope scope(enc);
    host.cancelAfterBlocks = 1;  // the "Saving" pump
    EXPECT_FALSE(docs->CmSave());
    EXPECT_EQ(doc->bDirty, 1);
    EXPECT_FALSE(enc.started);
    EXPECT_TRUE(FilesIn(Path("out dir")).empty());
}

TEST_F(Mp3Save, SaveAsOverAnExistingMp3AsksAndThenReplacesIt) {
    ASSERT_TRUE(LFile::WriteAll(doc->szFilePath.c_str(), "old mp3", 7));
    FakeEncoder enc;
    FakeEncoderScope scope(enc);
    host.savePaths = {doc->szFilePath};
    host.answers = {LDocumentHost::kYes};
    ASSERT_TRUE(docs->CmSaveAs());
    EXPECT_EQ(host.asked.back(), "Another file with the same name already exists. Do you want to replace it?");
    EXPECT_EQ(doc->bDirty, 0);
    EXPECT_EQ(Bytes(doc->szFilePath), enc.waveSeen);
    EXPECT_EQ(FilesIn(Path("out dir")), std::vector<std::string>{"my song.mp3"});
}
