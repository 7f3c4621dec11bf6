#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/LSRCTimeStretch.h"
#include "support/TestUtil.h"
#include "ui/LTransportController.h"

using namespace sondrel;

namespace {

// A player that keeps the state flags as the sound player would and
// records every call.
class FakePlayer : public LPlayer {
public:
    bool Start(const LSoundSourcePtr& s) override {
        calls.push_back("start");
        if (refuse) return false;
        source = s;
        startPosition = s->GetPosition();
        state = kPlayerOpen;
        return true;
    }
    void Stop() override {
        calls.push_back("stop");
        state = 0;
    }
    void Play() override {
        calls.push_back("play");
        if (state & kPlayerOpen) state &= ~kPlayerCueing;
    }
    void Cue() override {
        calls.push_back("cue");
        if (state & kPlayerOpen) state |= kPlayerCueing;
    }
    void Seek(int32_t sample) override {
        calls.push_back("seek " + std::to_string(sample));
    }
    uint16_t State() override { return state; }
    void SetDevice(int8_t) override {}
    void SetListener(LPlayerListener*) override {}
    uint16_t state = 0;
    bool refuse = false;  // a device that cannot be opened
    std::vector<std::string> calls;
    LSoundSourcePtr source;
    int32_t startPosition = -1;
};

class FakeView : public LTransportView {
public:
    void ShowTime(int32_t ms) override { time = ms; }
    void ShowScroll(int32_t p) override { scroll = p; }
    void ShowChecks(const LTransportChecks& c) override { checks = c; }
    void ShowLevels(const int8_t* l, int32_t n) override { levels.assign(l, l + n); }
    bool WaveScanRunning() override { return scanning; }
    void WaveStartScan(const LSoundSourcePtr& s) override {
        scanning = true;
        scanLength = s->GetLength();
    }
    void WaveCursor(int32_t s, int32_t l) override {
        cursor = s;
        cursorLength = l;
    }
    void WaveRequestView(int32_t s, int32_t l) override {
        viewStart = s;
        viewLength = l;
    }
    void ShowPlayFailed() override { ++failures; }
    int failures = 0;
    int32_t time = -1, scroll = -1, cursor = -1, cursorLength = -1, viewStart = -1, viewLength = -1, scanLength = -1;
    bool scanning = false;
    LTransportChecks checks;
    std::vector<int8_t> levels;
};

// Ten seconds at 8000 Hz.
class TransportController : public ::testing::Test {
protected:
    TransportController()
        : ctl(player, view, [this] {
              ++sources;
              if (broken) return LSoundSourcePtr();
              return MakeSource<test::VectorSource>(std::vector<int32_t>(80000, 100), 8000, 1);
          }) {}
    FakePlayer player;
    FakeView view;
    LTransportController ctl;
    int sources = 0;
    bool broken = false;
};

}  // namespace

TEST_F(TransportController, PlayStartsFromTheShownPosition) {
    ctl.ShowPosition(1500);
    ctl.CmPlay();
    EXPECT_EQ(player.calls, (std::vector<std::string>{"stop", "start"}));
    EXPECT_EQ(player.startPosition, 12000);
    EXPECT_EQ(ctl.LengthMs(), 10000);
    EXPECT_EQ(ctl.Rate(), 8000);
    // Scrubbing: Play goes on from the scrub point without a new source.
    ctl.CmScrub();
    player.calls.clear();
    ctl.CmPlay();
    EXPECT_EQ(player.calls, (std::vector<std::string>{"play"}));
    EXPECT_EQ(sources, 1);
}

TEST_F(TransportController, ASourceInErrorPlaysNothingAndSaysNothing) {
    broken = true;
    ctl.CmPlay();
    EXPECT_EQ(player.calls, (std::vector<std::string>{"stop"}));
    EXPECT_EQ(player.state, 0);
    ctl.CmFwd();
    EXPECT_FALSE(ctl.ForwardScanning());
    EXPECT_EQ(view.failures, 0);
}

// A good source the device refuses is said, once per attempt; a scan that
// could not start is not running.
TEST_F(TransportController, ADeviceThatRefusesIsReported) {
    player.refuse = true;
    ctl.CmPlay();
    EXPECT_EQ(view.failures, 1);
    ctl.CmFwd();
    EXPECT_EQ(view.failures, 2);
    EXPECT_FALSE(ctl.ForwardScanning());
}

TEST_F(TransportController, ScrubSpaceEndAndStart) {
    ctl.CmScrub();  // stopped: play first, then cue
    EXPECT_EQ(player.calls, (std::vector<std::string>{"stop", "start", "cue"}));
    player.calls.clear();
    ctl.CmToggleScrubPlay();  // Space while scrubbing: play
    EXPECT_EQ(player.calls, (std::vector<std::string>{"play"}));
    player.calls.clear();
    ctl.CmToggleScrubPlay();  // Space while playing: scrub
    EXPECT_EQ(player.calls, (std::vector<std::string>{"cue"}));
    player.calls.clear();
    ctl.CmEnd();
    EXPECT_EQ(player.calls, (std::vector<std::string>{"cue", "seek 80000"}));
    player.calls.clear();
    ctl.ShowPosition(5000);
    ctl.CmStart();
    EXPECT_EQ(view.time, 0);
    EXPECT_EQ(player.calls, (std::vector<std::string>{"seek 0"}));
}

// Rewind and Forward play a time-stretched source from the shown position
// and end by resuming what played before.
TEST_F(TransportController, ScansStretchTheSourceAndResumeTheMode) {
    ctl.ShowPosition(4000);
    ctl.CmPlay();
    ctl.CmFwd();
    EXPECT_TRUE(ctl.ForwardScanning());
    EXPECT_EQ(ctl.ModeBeforeScan(), kModePlaying);
    auto* fwd = dynamic_cast<LSRCTimeStretch*>(player.source.Get());
    ASSERT_NE(fwd, nullptr);
    EXPECT_EQ(fwd->Hop(), int32_t(fwd->SegmentSamples() * 1.5));
    EXPECT_EQ(fwd->GetPosition(), 32000);
    // The same direction again (a key held down) changes nothing.
    size_t n = player.calls.size();
    ctl.CmFwd();
    EXPECT_EQ(player.calls.size(), n);
    // The other direction ends the forward scan first (resuming play), then scans back.
    ctl.CmBack();
    EXPECT_FALSE(ctl.ForwardScanning());
    EXPECT_TRUE(ctl.BackScanning());
    auto* back = dynamic_cast<LSRCTimeStretch*>(player.source.Get());
    ASSERT_NE(back, nullptr);
    EXPECT_LT(back->Hop(), 0);
    // Released: play resumes at the shown position with a plain source.
    ctl.ShowPosition(3000);
    ctl.CmBackFwdStop();
    EXPECT_FALSE(ctl.BackScanning());
    EXPECT_EQ(dynamic_cast<LSRCTimeStretch*>(player.source.Get()), nullptr);
    EXPECT_EQ(player.startPosition, 24000);
    EXPECT_EQ(player.state, kPlayerOpen);

    // From scrubbing: the slow factors, and scrubbing resumes.
    ctl.CmScrub();
    ctl.CmBack();
    back = dynamic_cast<LSRCTimeStretch*>(player.source.Get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(ctl.ModeBeforeScan(), kModeScrubbing);
    EXPECT_EQ(back->Hop(), int32_t(back->SegmentSamples() * -0.1));
    ctl.CmBackFwdStop();
    EXPECT_EQ(player.state, kPlayerOpen | kPlayerCueing);
    // From stopped: stays stopped.
    ctl.CmStop();
    ctl.CmFwd();
    ctl.CmBackFwdStop();
    EXPECT_EQ(player.state, 0);
}

TEST_F(TransportController, ScrollBarMovesThePositionAndThePlayer) {
    ctl.CmPlay();  // length known: 10 s
    ctl.ShowPosition(1500);
    player.calls.clear();
    ctl.Scroll(kScrollLineLeft, 0);
    EXPECT_EQ(ctl.PositionMs(), 0);
    EXPECT_EQ(player.calls, (std::vector<std::string>{"seek 0"}));
    ctl.Scroll(kScrollThumbTrack, 100);
    EXPECT_EQ(ctl.PositionMs(), 5000);
    EXPECT_EQ(view.scroll, 100);
    ctl.CmStop();
    player.calls.clear();
    ctl.Scroll(kScrollBottom, 0);
    EXPECT_EQ(ctl.PositionMs(), 10000);
    EXPECT_TRUE(player.calls.empty());  // stopped: only shown
}

TEST_F(TransportController, WaveWindowNotificationsAndThePositionView) {
    ctl.StartWaveScan();
    EXPECT_TRUE(view.scanning);
    EXPECT_EQ(view.scanLength, 80000);
    EXPECT_EQ(view.time, 10000);  // shows the end
    ctl.WaveNotify(2, 16000);     // stopped: the click only shows
    EXPECT_EQ(ctl.PositionMs(), 2000);
    EXPECT_EQ(view.cursor, 16000);
    EXPECT_EQ(view.cursorLength, 0);
    EXPECT_EQ(view.viewStart, 8000);
    EXPECT_EQ(view.viewLength, 16000);
    ctl.CmScrub();
    ctl.ShowPosition(500);
    EXPECT_EQ(view.cursorLength, 200);  // 25 ms while scrubbing
    EXPECT_EQ(view.viewStart, 0);
    player.calls.clear();
    ctl.WaveNotify(2, 24000);  // playing: the player seeks
    EXPECT_EQ(player.calls, (std::vector<std::string>{"seek 24000"}));
    ctl.WaveNotify(6, 0);
    EXPECT_TRUE(ctl.BackScanning());
    ctl.WaveNotify(7, 0);
    EXPECT_FALSE(ctl.BackScanning());
    ctl.WaveNotify(4, 0);
    EXPECT_TRUE(ctl.ForwardScanning());
    ctl.WaveNotify(5, 0);
    EXPECT_FALSE(ctl.ForwardScanning());
}

TEST_F(TransportController, ReportsShowChecksAndLevels) {
    ctl.PlayerState(player.State());
    EXPECT_TRUE(view.checks.bStop);
    ctl.CmScrub();
    ctl.PlayerState(player.State());
    EXPECT_TRUE(view.checks.bScrub);
    EXPECT_FALSE(view.checks.bPlay);
    int8_t lv[] = {-3, -127};
    ctl.PlayerLevels(lv, 2);
    EXPECT_EQ(view.levels, (std::vector<int8_t>{-3, -127}));
    ctl.PlayerPosition(-40);
    EXPECT_EQ(view.time, 0);
}
