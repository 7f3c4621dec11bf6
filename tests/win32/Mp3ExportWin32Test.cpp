// Saving as MP3 under Wine with the Windows build's own lame.exe, through
// the real progress dialog and message boxes. The editor finds lame.exe by
// the system's search order (its own folder first); here the current folder
// holds it, or does not.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "document/LDocuments.h"
#include "formats/LMP3Export.h"
#include "formats/LWaveFile.h"
#include "formats/mp3/LMP3Source.h"
#include "formats/win32/LChildProcessWin32.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"
#include "ui/win32/LWin32DocumentHost.h"
#include "win32/WinTestUtil.h"

using namespace sondrel;

namespace {

// The real host, with the file dialog and the replace question answered.
struct AnsweringHost : LWin32DocumentHost {
    std::string savePath;
    bool AskSavePath(std::string& path) override {
        path = savePath;
        return true;
    }
    Answer Ask(const std::string&, bool) override { return kYes; }
};

std::vector<std::string> Files(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Text(const std::string& path) {
    std::vector<uint8_t> b;
    LFile::ReadAll(path.c_str(), b);
    return std::string(b.begin(), b.end());
}

class Mp3UnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        InstallChildProcessLauncher();
        dir = test::ScratchDir("w32mp3");
        folder = JoinPath(dir, "with blank");
        std::filesystem::create_directories(folder);
        std::filesystem::create_directories(JoinPath(dir, "tank"));
        tank = std::make_unique<LCutTankScope>(JoinPath(dir, "tank"));
        SetSettingsStore(&settings);
        char cwd[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, cwd);
        previousFolder = cwd;
    }
    void TearDown() override {
        docs.reset();
        SetCurrentDirectoryA(previousFolder.c_str());
        SetSettingsStore(nullptr);
    }
    // lame.exe where the search order finds it (or nowhere), as an installed editor has it beside itself.
    void EncoderIn(const std::string& where, bool present) {
        if (present) {
            ASSERT_TRUE(CopyFileA(wintest::WinePath(SONDREL_LAME_EXE).c_str(), JoinPath(where, "lame.exe").c_str(), FALSE));
        }
        SetCurrentDirectoryA(where.c_str());
    }
    // A stereo document of tones, seconds long; its audio is kept in `audio`.
    void OpenTones(int seconds) {
        const int32_t rate = 44100, frames = seconds * rate;
        std::string src = JoinPath(dir, "source.wav");
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(src.c_str(), rate, 0, 16, 2);
            std::vector<int32_t> block(8192 * 2);
            for (int32_t off = 0; off < frames; off += 8192) {
                for (int32_t i = 0; i < 8192; ++i) {
                    double t = double(off + i) / rate;
                    block[size_t(i) * 2] = int32_t(150000 * std::sin(2 * 3.14159265358979 * 440 * t) +
                                                   50000 * std::sin(2 * 3.14159265358979 * 1250 * t));
                    block[size_t(i) * 2 + 1] = int32_t(120000 * std::sin(2 * 3.14159265358979 * 660 * t));
                }
                sink->Write(block.data(), std::min(8192, frames - off));
            }
        }
        ASSERT_TRUE(docs->LoadFile(src));
        LSoundSourcePtr s = CreateSource(docs->Current()->audio);
        audio = test::ReadAll(*s);
    }

    std::string dir, folder, previousFolder;
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
    AnsweringHost host;
    std::unique_ptr<LDocuments> docs = std::make_unique<LDocuments>(host);
    std::vector<int32_t> audio;
};

}  // namespace

// Save As over an earlier MP3 in a folder with a blank in its name: the new
// MP3 decodes to the document's audio, the temporary WAV is gone and the
// document is saved. With SONDREL_MP3_CHECK set, the MP3 and the document's
// audio are left there for the check with mpg123 (tests/scripts).
TEST_F(Mp3UnderWine, SaveAsGivesAnMp3OfTheDocumentAndLeavesNothingElse) {
    EncoderIn(folder, true);
    OpenTones(3);
    std::string target = JoinPath(folder, "out put.mp3");
    ASSERT_TRUE(LFile::WriteAll(target.c_str(), "old mp3", 7));
    host.savePath = target;
    ASSERT_TRUE(docs->CmSaveAs());
    EXPECT_EQ(docs->Current()->bDirty, 0);
    EXPECT_EQ(Files(folder), (std::vector<std::string>{"lame.exe", "out put.mp3"}));

    LSoundSourcePtr mp3 = OpenMP3Source(target.c_str());
    ASSERT_FALSE(mp3->HasError()) << Text(target).substr(0, 16);
    EXPECT_EQ(mp3->nChans, 2);
    test::AudioMatch m = test::CompareAudio(audio, test::ReadAll(*mp3), 2, 3000);
    EXPECT_LT(std::fabs(m.levelDb), 0.5);
    EXPECT_GT(m.correlation, 0.99);
    EXPECT_LE(std::llabs(m.extraFrames + m.lag), 1152 + m.lag);

    if (const char* keep = std::getenv("SONDREL_MP3_CHECK")) {
        ASSERT_TRUE(CopyFileA(target.c_str(), JoinPath(keep, "saved.mp3").c_str(), FALSE));
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(JoinPath(keep, "document.wav").c_str(), 44100, 0, 16, 2);
        for (size_t off = 0; off < audio.size(); off += 8192 * 2)
            sink->Write(audio.data() + off, int32_t(std::min<size_t>(8192 * 2, audio.size() - off) / 2));
    }
}

TEST_F(Mp3UnderWine, WithoutTheEncoderTheSaveFailsWithTheMessageAndTheDocumentStaysUnsaved) {
    EncoderIn(folder, false);
    OpenTones(1);
    LSDFile& d = *docs->Current();
    d.szFilePath = JoinPath(folder, "old.mp3");
    d.bDirty = 1;
    ASSERT_TRUE(LFile::WriteAll(d.szFilePath.c_str(), "old mp3", 7));
    bool saved;
    {
        wintest::WindowWatcher ok("Sondrel", IDOK);
        saved = docs->CmSave();
        ok.Join();
        ASSERT_TRUE(ok.Pressed()) << "no message was shown";
        EXPECT_NE(ok.Text().find("\"lame.exe\" could not be started"), std::string::npos) << ok.Text();
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(d.bDirty, 1);
    EXPECT_EQ(Text(d.szFilePath), "old mp3");
    EXPECT_EQ(Files(folder), std::vector<std::string>{"old.mp3"});
}

// A minute of audio takes lame.exe some seconds: Cancel half a second into
// the encoding ends it there, and the earlier file stays.
TEST_F(Mp3UnderWine, CancelDuringTheEncodingEndsTheEncoderAndKeepsTheOldFile) {
    EncoderIn(folder, true);
    OpenTones(60);
    LSDFile& d = *docs->Current();
    d.szFilePath = JoinPath(folder, "old.mp3");
    d.bDirty = 1;
    ASSERT_TRUE(LFile::WriteAll(d.szFilePath.c_str(), "old mp3", 7));
    bool encoderRan = false, saved = true;
    DWORD pressedAt = 0, returnedAt = 0;
    {
        wintest::WindowWatcher cancel("Save mp3", IDCANCEL, 500, [&] {
            encoderRan = wintest::ProcessRunning("lame.exe");
            pressedAt = GetTickCount();
        });
        saved = docs->CmSave();
        returnedAt = GetTickCount();
        cancel.Join();
        ASSERT_TRUE(cancel.Pressed());
    }
    EXPECT_TRUE(encoderRan) << "the encoder was running when Cancel was pressed";
    EXPECT_FALSE(saved);
    EXPECT_FALSE(wintest::ProcessRunning("lame.exe")) << "Cancel ends the encoder";
    EXPECT_EQ(d.bDirty, 1);
    EXPECT_EQ(Text(d.szFilePath), "old mp3");
    EXPECT_EQ(Files(folder), (std::vector<std::string>{"lame.exe", "old.mp3"}));
    std::printf("save returned %lu ms after Cancel\n", (unsigned long)(returnedAt - pressedAt));
}

// lame.exe's own failure (here: no such input) is reported with its exit code.
TEST_F(Mp3UnderWine, TheEncodersExitCodeIsExamined) {
    EncoderIn(folder, true);
    struct Errors : LProgress {
        std::vector<std::string> shown;
        bool IsCancelled() override { return false; }
        void SetText(const char*, int) override {}
        void SetProgress(double) override {}
        void ShowError(const char* text) override { shown.push_back(text); }
    } progress;
    SDSaveAsMp3 rec{JoinPath(folder, "missing.wav"), JoinPath(folder, "x.mp3")};
    EXPECT_EQ(Process(&progress, rec), kProcessFailed);
    ASSERT_EQ(progress.shown.size(), 1u);
    EXPECT_NE(progress.shown[0].find("\"lame.exe\" failed (exit code"), std::string::npos) << progress.shown[0];
    EXPECT_EQ(Files(folder), std::vector<std::string>{"lame.exe"});
}

// lame.exe's progress lines come through the pipe to the bar: it moves
// forward while the encoder runs and ends full.
TEST_F(Mp3UnderWine, TheBarFollowsTheEncodersProgress) {
    EncoderIn(folder, true);
    std::string wav = JoinPath(folder, "tones.wav");
    const int32_t rate = 44100, frames = 30 * rate;
    {
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(wav.c_str(), rate, 0, 16, 2);
        std::vector<int32_t> block(8192 * 2);
        for (int32_t off = 0; off < frames; off += 8192) {
            for (size_t i = 0; i < block.size(); ++i) block[i] = int32_t(100000 * std::sin((off * 2 + int32_t(i)) * 0.03));
            sink->Write(block.data(), std::min(8192, frames - off));
        }
    }
    struct Bar : LProgress {
        std::vector<double> positions;
        std::vector<std::string> shown;
        bool IsCancelled() override { return false; }
        void SetText(const char*, int) override {}
        void SetProgress(double f) override { positions.push_back(f); }
        void ShowError(const char* text) override { shown.push_back(text); }
    } progress;
    SDSaveAsMp3 rec{wav, JoinPath(folder, "tones.mp3")};
    ASSERT_EQ(Process(&progress, rec), kProcessDone) << (progress.shown.empty() ? "" : progress.shown[0]);
    ASSERT_GE(progress.positions.size(), 3u);
    EXPECT_EQ(progress.positions.front(), 0.0);
    EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
    EXPECT_EQ(progress.positions.back(), 1.0);
    EXPECT_GE(std::count_if(progress.positions.begin(), progress.positions.end(), [](double f) { return f > 0 && f < 1; }), 5)
        << "the bar moved while the encoder ran";
}
