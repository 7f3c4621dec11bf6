// A save that cannot complete shows the editor's error box: titled
// "Sondrel", naming the file and the cause, while the file that was there
// stays as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "document/LDocuments.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"
#include "ui/win32/LWin32DocumentHost.h"

using namespace sondrel;

namespace {

// Reads the text of the first message box titled caption of this process
// and presses its OK button, from another thread.
class BoxReader {
public:
    BoxReader(const char* caption, std::string* text)
        : t_([caption, text] {
              DWORD start = GetTickCount();
              while (GetTickCount() - start < 20000) {
                  HWND h = FindWindowA("#32770", caption);
                  DWORD pid = 0;
                  if (h) GetWindowThreadProcessId(h, &pid);
                  if (h && pid == GetCurrentProcessId()) {
                      char buf[1024] = {};
                      GetDlgItemTextA(h, 0xFFFF, buf, sizeof buf);  // the box's text control
                      *text = buf;
                      PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                      return;
                  }
                  Sleep(10);
              }
          }) {}
    ~BoxReader() { t_.join(); }

private:
    std::thread t_;
};

TEST(ErrorBox, ASaveThatCannotCompleteSaysWhichFileAndWhy) {
    std::string dir = test::ScratchDir("w32errbox"), out = test::ScratchDir("w32errout");
    LMemorySettings settings;
    SetSettingsStore(&settings);
    {
        LCutTankScope tank(dir);
        LWin32DocumentHost host;
        LDocuments docs(host);
        LCutListAudio audio;
        {
            LSoundSinkPtr sink = CreateSink(audio, 8000, 1);
            std::vector<int32_t> tone = test::Sine(16000, 1, 8000, 440, 100000);
            sink->Write(tone.data(), 8192);
            sink->Write(tone.data() + 8192, 16000 - 8192);
        }
        LSDFile& d = docs.AddUntitled(audio);
        std::string keep = JoinPath(out, "keep.wav");
        ASSERT_TRUE(LFile::WriteAll(keep.c_str(), "previous", 8));
        d.szFilePath = keep;
        std::string text;
        auto box = std::make_unique<BoxReader>("Sondrel", &text);
        LFile::SimulateDiskFull(out, 1000);
        bool saved = docs.CmSave();  // returns once the box is closed
        LFile::SimulateDiskFull("", 0);
        box.reset();  // joins the reader
        EXPECT_FALSE(saved);
        EXPECT_EQ(text, "Cannot save \"" + keep + "\": the disk is full.");
        std::vector<uint8_t> b;
        ASSERT_TRUE(LFile::ReadAll(keep.c_str(), b));
        EXPECT_EQ(std::string(b.begin(), b.end()), "previous");
        EXPECT_EQ(LFile::List(out.c_str(), "").size(), 1u);
        docs.ReleaseAll();
    }
    SetSettingsStore(nullptr);
}

}  // namespace
