#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "document/LDocuments.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"
#include "ui/win32/LWin32DocumentHost.h"

using namespace sondrel;

namespace {

std::string MakeLongWav(const std::string& path, int32_t seconds) {
    LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 44100, 0, 16, 2);
    std::vector<int32_t> block = test::Sine(8192, 2, 44100, 440, 200000);
    for (int32_t done = 0; done < seconds * 44100; done += 8192) sink->Write(block.data(), 8192);
    return path;
}

// Presses Cancel on the first progress dialog titled caption, from another thread.
class Canceller {
public:
    explicit Canceller(const char* caption)
        : t_([this, caption] {
              DWORD start = GetTickCount();
              while (GetTickCount() - start < 20000) {
                  if (HWND h = FindWindowA(nullptr, caption)) {
                      PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                      pressed = true;
                      return;
                  }
                  Sleep(10);
              }
          }) {}
    ~Canceller() { t_.join(); }
    std::atomic<bool> pressed{false};

private:
    std::thread t_;
};

class DocumentsUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::ScratchDir("w32docs");
        std::filesystem::create_directories(JoinPath(dir, "tank"));
        tank = std::make_unique<LCutTankScope>(JoinPath(dir, "tank"));
        SetSettingsStore(&settings);
    }
    void TearDown() override { SetSettingsStore(nullptr); }
    std::string dir;
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
};

}  // namespace

namespace {
// The real host, with the rate dialog answered by the test.
struct RateAnsweringHost : LWin32DocumentHost {
    int32_t nConvertTo = 0;
    bool AskConvertSampleRate(int32_t& rate) override {
        rate = nConvertTo;
        return true;
    }
};
}  // namespace

TEST_F(DocumentsUnderWine, CancelInTheRealProgressDialogLeavesAudioAndUndoRecord) {
    RateAnsweringHost host;
    LDocuments docs(host);
    ASSERT_TRUE(docs.LoadFile(MakeLongWav(JoinPath(dir, "long.wav"), 240)));
    LSDFile& d = *docs.Current();
    LSoundSourcePtr before = CreateSource(d.audio);
    std::vector<int32_t> head(4096 * 2);
    before->Read(head.data(), 4096);

    bool finished;
    {
        Canceller c("Convert Sample Rate");
        host.nConvertTo = 22050;
        finished = docs.CmConvertSampleRate();
        // wait for the thread before checking what it did
    }
    EXPECT_FALSE(finished);
    EXPECT_EQ(d.UndoLabel(), "Convert Sample Rate");
    ASSERT_TRUE(docs.CmUndo());
    EXPECT_EQ(d.audio.nSampleRate, 44100);
    EXPECT_EQ(d.audio.nChans, 2);
    EXPECT_EQ(d.audio.GetLength(), 240 * 44100 / 8192 * 8192 + 8192);
    LSoundSourcePtr after = CreateSource(d.audio);
    std::vector<int32_t> head2(4096 * 2);
    after->Read(head2.data(), 4096);
    EXPECT_EQ(head, head2);
}

// Saves a converted document where the test script checks it with sox.
TEST_F(DocumentsUnderWine, SaveRunsToTheEnd) {
    LWin32DocumentHost host;
    LDocuments docs(host);
    const char* out = std::getenv("SONDREL_SAVE_CHECK");
    std::string folder = out && *out ? out : dir;
    ASSERT_TRUE(docs.LoadFile(MakeLongWav(JoinPath(folder, "src.wav"), 3)));
    ASSERT_TRUE(docs.CmConvertChannel(1));
    std::string target = JoinPath(folder, "saved.wav");
    docs.Current()->szFilePath = target;
    ASSERT_TRUE(docs.CmSave());
    EXPECT_EQ(docs.Current()->bDirty, 0);
    LSoundSourcePtr back = LWaveFile::OpenSource(target.c_str());
    EXPECT_EQ(back->nChans, 1);
    EXPECT_EQ(back->GetLength(), docs.Current()->audio.GetLength());
}
