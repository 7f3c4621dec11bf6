#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "core/LRangePump.h"
#include "support/LResourceIds.h"
#include "support/TestUtil.h"
#include "ui/win32/LProgressDialog.h"

using namespace sondrel;

namespace {
// A source that takes a little time per block, so an operation runs long
// enough to be cancelled from outside.
class SlowSource : public test::VectorSource {
public:
    using VectorSource::VectorSource;
    void Read(int32_t* b, int32_t n) override {
        Sleep(5);
        VectorSource::Read(b, n);
    }
};

HWND FindDialog(const char* caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (HWND h = FindWindowA(nullptr, caption)) return h;
        Sleep(20);
    }
    return nullptr;
}
}  // namespace

TEST(ProgressDialog, CancelFromOutsideStopsTheOperation) {
    std::vector<int32_t> out;
    LEfSoundProcess rec;
    rec.pSource = MakeSource<SlowSource>(std::vector<int32_t>(44100 * 600), 44100, 1);
    rec.pSink = MakeSink<test::VectorSink>(&out, 44100, 1);
    rec.stStart = 0;
    rec.stEnd = 600000;
    LProcessDialog<LEfSoundProcess> dlg("Sondrel progress test", &rec);

    std::atomic<bool> posted{false};
    std::thread canceller([&] {
        if (HWND h = FindDialog("Sondrel progress test", 10000)) {
            Sleep(100);
            char line1[64] = {};
            GetDlgItemTextA(h, IDC_PROGRESS_TEXT2, line1, sizeof line1);
            EXPECT_STREQ(line1, "Please wait...");
            PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            posted = true;
        }
    });
    bool done = dlg.Run(nullptr);
    canceller.join();
    ASSERT_TRUE(posted.load()) << "the progress dialog never appeared";
    EXPECT_FALSE(done);
    EXPECT_EQ(dlg.Result(), kProcessCancelled);
    EXPECT_EQ(dlg.Window(), nullptr);
    EXPECT_EQ(FindWindowA(nullptr, "Sondrel progress test"), nullptr);
    EXPECT_LT(out.size(), size_t(44100) * 600);  // stopped early
    EXPECT_EQ(out.size() % 8192, 0u);             // at a block boundary
}

TEST(ProgressDialog, RunsToTheEndAndDisablesTheParentMeanwhile) {
    HWND parent = CreateWindowA("STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    struct Probe : LProgressDialog {
        HWND parent;
        bool parentEnabledDuring = true;
        bool secondRun = true;
        Probe(HWND p) : LProgressDialog("probe"), parent(p) {}
        bool Process() override {
            parentEnabledDuring = IsWindowEnabled(parent);
            secondRun = Run(parent);  // already open: refused
            SetText("Working", 0);
            char t[32] = {};
            GetDlgItemTextA(hWindow, IDC_PROGRESS_TEXT, t, sizeof t);
            SetProgress(0.5);
            LRESULT pos = SendDlgItemMessageA(hWindow, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0);
            return std::string(t) == "Working" && pos == 50 && WaitTime(0) && !IsCancelled();
        }
    } probe(parent);
    EXPECT_TRUE(probe.Run(parent));
    EXPECT_FALSE(probe.parentEnabledDuring);
    EXPECT_FALSE(probe.secondRun);
    EXPECT_TRUE(IsWindowEnabled(parent));
    EXPECT_EQ(probe.Window(), nullptr);
    DestroyWindow(parent);
}

TEST(ProgressDialog, WaitsForObjectsAndTimeWhileTheDialogLives) {
    struct Waiter : LProgressDialog {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        bool signalled = false, timedOut = true, slept = false;
        Waiter() : LProgressDialog("waiter") {}
        ~Waiter() override { CloseHandle(event); }
        bool Process() override {
            std::thread setter([this] {
                Sleep(150);
                SetEvent(event);
            });
            signalled = WaitForObject(event, 60000);  // true only for the event
            setter.join();
            ResetEvent(event);
            timedOut = !WaitForObject(event, 100);  // nobody sets it: the time runs out
            slept = WaitTime(250);
            return true;
        }
    } w;
    EXPECT_TRUE(w.Run(nullptr));
    EXPECT_TRUE(w.signalled);
    EXPECT_TRUE(w.timedOut);
    EXPECT_TRUE(w.slept);
}
