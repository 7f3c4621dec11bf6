#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "support/TestUtil.h"
#include "ui/LWaveScanThread.h"

using namespace sondrel;

namespace {

// The window side of the worker over a plain view, as the control does it.
class FakeWindow : public LWaveScanTarget {
public:
    FakeWindow() { view.Size(302, 40); }
    LViewChange ScanSetView(int32_t start, int32_t length, LWaveView& mapping) override {
        std::lock_guard<std::mutex> lock(mtx);
        LViewChange ch = view.SetView(start, length);
        if (ch.kind == LViewChange::kScroll) view.ShiftColumns(ch.d);
        mapping = view;
        ++nViews;
        return ch;
    }
    void ScanStoreColumn(int32_t c, uint8_t h) override {
        std::lock_guard<std::mutex> lock(mtx);
        view.columns[c] = h;
        ++nStored;
    }
    void ScanStarted() override {
        std::lock_guard<std::mutex> lock(mtx);
        view.nViewLength = 0;
        ++nStarted;
    }
    void ScanStopped() override { ++nStopped; }
    std::vector<uint8_t> Columns() {
        std::lock_guard<std::mutex> lock(mtx);
        return std::vector<uint8_t>(view.columns, view.columns + view.nWidth);
    }
    std::mutex mtx;
    LWaveView view;
    int nViews = 0;
    std::atomic<int> nStored{0}, nStarted{0}, nStopped{0};
};

// Reading takes time, so a scan can be caught in the middle.
class SlowSource : public test::VectorSource {
public:
    using VectorSource::VectorSource;
    void Read(int32_t* b, int32_t n) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        VectorSource::Read(b, n);
    }
};

std::vector<int32_t> Wave(int32_t frames) {
    std::vector<int32_t> s(static_cast<size_t>(frames));
    for (int32_t k = 0; k < frames; ++k) s[size_t(k)] = int32_t((int64_t(k) * 7919) % 500000) - ((k / 5000) % 2) * 250000;
    return s;
}

bool WaitIdle(LWaveScanThread& t, int ms) {
    for (int i = 0; i < ms; ++i) {
        if (t.IsIdle()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return t.IsIdle();
}

std::vector<uint8_t> Expected(const LSoundSourcePtr& src, int32_t start, int32_t length) {
    LWaveScanner s(src);
    LWaveView v;
    v.Size(302, 40);
    ScanView(v, s, start, length);
    return std::vector<uint8_t>(v.columns, v.columns + v.nWidth);
}

}  // namespace

// The worker follows the requests, however fast they come, and ends with
// the columns of the last one.
TEST(WaveScanThread, FollowsTheLatestRequest) {
    LSoundSourcePtr src = MakeSource<test::VectorSource>(Wave(400000), 44100, 1);
    FakeWindow win;
    LWaveScanThread scan;
    scan.Start(src, &win);
    EXPECT_EQ(win.nStarted, 1);
    EXPECT_TRUE(scan.IsRunning());
    scan.RequestView(0, 400000);
    ASSERT_TRUE(WaitIdle(scan, 5000));
    EXPECT_EQ(win.Columns(), Expected(MakeSource<test::VectorSource>(Wave(400000), 44100, 1), 0, 400000));
    // A burst of scrolls from another thread, like position reports.
    std::thread follower([&] {
        for (int32_t s = 0; s <= 200000; s += 2500) scan.RequestView(s, 60000);
    });
    follower.join();
    ASSERT_TRUE(WaitIdle(scan, 5000));
    EXPECT_EQ(win.Columns(), Expected(MakeSource<test::VectorSource>(Wave(400000), 44100, 1), 200000, 60000));
    // Nothing new: the worker sleeps and computes nothing.
    int stored = win.nStored;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(win.nStored, stored);
    scan.Stop();
    EXPECT_FALSE(scan.IsRunning());
    EXPECT_EQ(win.nStopped, 1);
}

TEST(WaveScanThread, StopEndsAScanInTheMiddle) {
    FakeWindow win;
    LWaveScanThread scan;
    scan.Start(MakeSource<SlowSource>(Wave(2000000), 44100, 1), &win);
    scan.RequestView(0, 2000000);  // about 250 reads of 2 ms each
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    auto t0 = std::chrono::steady_clock::now();
    scan.Stop();
    auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_FALSE(scan.WasTerminated());  // it ended by itself, between columns
    EXPECT_LT(took, std::chrono::milliseconds(2000));
    EXPECT_GT(win.nStored, 0);
    EXPECT_LT(win.nStored, 300);
    EXPECT_EQ(win.nStopped, 1);
}

TEST(WaveScanThread, ASourceInErrorStartsNothing) {
    FakeWindow win;
    LWaveScanThread scan;
    scan.Start(LSoundSourcePtr(), &win);  // the silent null source carries the error flag
    EXPECT_FALSE(scan.IsRunning());
    EXPECT_EQ(win.nStarted, 0);
    // A second Start replaces the first scan.
    scan.Start(MakeSource<test::VectorSource>(Wave(1000), 44100, 1), &win);
    scan.Start(MakeSource<test::VectorSource>(Wave(1000), 44100, 1), &win);
    EXPECT_EQ(win.nStarted, 2);
    EXPECT_EQ(win.nStopped, 1);
    EXPECT_TRUE(scan.IsRunning());
}
