// The sound player on a real wave-out device: Wine's ALSA output into the
// file plugin, whose file (play.raw in the private home the test scripts
// set up) receives exactly the bytes played, at about four times real time.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/LSRCPeakLimit.h"
#include "core/LSample.h"
#include "devices/win32/LSoundPlayer.h"
#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"
#include "support/LFile.h"
#include "support/TestUtil.h"
#include "win32/WinTestUtil.h"

using namespace sondrel;

namespace {

std::string CapturePath() {
    const char* home = std::getenv("SONDREL_WINE_HOME");
    return home ? wintest::WinePath(std::string(home) + "/play.raw") : std::string();
}

// What the device received, as 16-bit samples.
std::vector<int16_t> Captured() {
    std::vector<uint8_t> bytes;
    LFile::ReadAll(CapturePath().c_str(), bytes);
    std::vector<int16_t> s(bytes.size() / 2);
    if (!s.empty()) std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

std::vector<int16_t> To16(const std::vector<int32_t>& v) {
    std::vector<int16_t> r(v.size());
    ConvertToPCM16(v.data(), r.data(), int32_t(v.size()));
    return r;
}

std::vector<int16_t> Slice(const std::vector<int16_t>& v, size_t from, size_t to) {
    from = std::min(from, v.size());
    to = std::min(std::max(to, from), v.size());
    return std::vector<int16_t>(v.begin() + from, v.begin() + to);
}

// Everything from index on is zero.
bool ZerosFrom(const std::vector<int16_t>& v, size_t index) {
    for (size_t i = index; i < v.size(); ++i)
        if (v[i] != 0) return false;
    return true;
}

// Samples anywhere in the 20-bit range, not multiples of 16, so that the
// rounding to 16 bits shows; never zero, so that zeros mean silence.
std::vector<int32_t> Noise(int32_t frames, int32_t chans, int32_t peak, uint32_t seed) {
    std::vector<int32_t> v(size_t(frames) * chans);
    uint32_t x = seed * 2654435761u + 1;
    for (int32_t& s : v) {
        x = x * 1664525u + 1013904223u;
        s = int32_t(x >> 8) % peak;
        if (s > -256 && s < 256) s = 4096;
    }
    return v;
}

// A cut-list document body holding samples (as the editor plays it).
struct CutListBody {
    LCutTankScope tank;
    LCutListAudio list;
    CutListBody(const std::vector<int32_t>& samples, int32_t rate, int32_t chans)
        : tank(test::ScratchDir("player-tank")), list(rate, uint8_t(chans)) {
        LSoundSinkPtr sink = CreateSink(list, rate, chans);
        int32_t frames = int32_t(samples.size()) / chans;
        for (int32_t at = 0; at < frames; at += 8192)
            sink->Write(samples.data() + size_t(at) * chans, std::min(8192, frames - at));
    }
    LSoundSourcePtr Source() const { return CreateSource(list); }
};

// The listener's calls, in order.
struct Event {
    char kind;  // P play, S stop, C cue, Z pause, T position, L levels
    int32_t value;
    LChannelLevels levels;
};

class Recorder : public LSoundPlayerNotify {
public:
    std::vector<Event> events;
    bool bParamKept = true;  // every call carried the listener parameter (7)
    void NotifyPlay(uint32_t p) override { Add(p, {'P', 0, {}}); }
    void NotifyStop(uint32_t p) override { Add(p, {'S', 0, {}}); }
    void NotifyCue(uint32_t p) override { Add(p, {'C', 0, {}}); }
    void NotifyPause(uint32_t p) override { Add(p, {'Z', 0, {}}); }
    void NotifyPosition(uint32_t p, int32_t ms) override { Add(p, {'T', ms, {}}); }
    void NotifyLevels(uint32_t p, const LChannelLevels& lv) override { Add(p, {'L', 0, lv}); }
    void Add(uint32_t param, const Event& e) {
        bParamKept = bParamKept && param == 7;
        events.push_back(e);
    }
    std::string Kinds() const {
        std::string s;
        for (const Event& e : events) s += e.kind;
        return s;
    }
    bool Has(char kind) const { return Kinds().find(kind) != std::string::npos; }
    int32_t LastPosition() const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->kind == 'T') return it->value;
        return -1;
    }
};

// Pumps the thread's messages until cond holds or timeoutMs passes.
template <class F>
bool PumpUntil(F cond, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!cond()) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (cond()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
    return true;
}

class SoundPlayer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(CapturePath().empty()) << "run under tools/wine-ctest.sh (SONDREL_WINE_HOME)";
        LFile::Delete(CapturePath().c_str());
        player.SetListener(&heard);
        player.SetListenerParam(7);
    }
    // Plays to the end on its own; true when NotifyStop came.
    bool PlayToTheEnd(DWORD timeoutMs = 30000) { return PumpUntil([&] { return heard.Has('S'); }, timeoutMs); }

    Recorder heard;
    LSoundPlayer player;
};

TEST_F(SoundPlayer, PlaysACutListSourceExactlyAndStopsItselfAtTheEnd) {
    const int32_t rate = 8000, chans = 2, frames = 12345;  // 15 buffers and a bit
    std::vector<int32_t> samples = Noise(frames, chans, kMax16, 1);
    CutListBody body(samples, rate, chans);
    LSoundSourcePtr src = body.Source();
    ASSERT_EQ(src->iPeakBound, kPeakBoundCutList);  // gets the limiter, which leaves these alone

    ASSERT_TRUE(player.Start(src, 0));
    EXPECT_EQ(player.GetState(), LSoundPlayer::kOpen | LSoundPlayer::kTakeOff);
    EXPECT_EQ(player.GetBufferFrames(), 800);
    ASSERT_TRUE(PlayToTheEnd());
    EXPECT_EQ(player.GetState(), LSoundPlayer::kClosed);

    std::vector<int16_t> got = Captured();
    std::vector<int16_t> want = To16(samples);
    ASSERT_GE(got.size(), want.size());
    EXPECT_TRUE(Slice(got, 0, want.size()) == want) << "played samples differ";
    EXPECT_TRUE(ZerosFrom(got, want.size()));

    // Play, start position, reports in order of position, the end, then stop.
    std::string kinds = heard.Kinds();
    ASSERT_GE(kinds.size(), 4u);
    EXPECT_EQ(kinds.substr(0, 2), "PT");
    EXPECT_EQ(heard.events[1].value, 0);
    EXPECT_EQ(kinds.substr(kinds.size() - 2), "TS");
    EXPECT_EQ(heard.events[kinds.size() - 2].value, FramesToMs(frames, rate));
    int32_t last = -1;
    for (const Event& e : heard.events) {
        if (e.kind != 'T') continue;
        EXPECT_GE(e.value, last);
        last = e.value;
    }
    EXPECT_NE(kinds.find("TL"), std::string::npos);  // position and levels of returned buffers
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 'S'), 1);
    EXPECT_TRUE(heard.bParamKept);
}

TEST_F(SoundPlayer, ASourceAboveFullScalePassesThroughTheLimiter) {
    const int32_t rate = 11025, chans = 1, frames = 11025;
    std::vector<int32_t> samples = Noise(frames, chans, 0x180000, 2);  // up to three times full scale
    CutListBody body(samples, rate, chans);
    ASSERT_TRUE(player.Start(body.Source(), 0));
    ASSERT_TRUE(PlayToTheEnd());

    // The same chain, read directly.
    LSRCPeakLimit limiter(body.Source(), kMax16);
    std::vector<int32_t> limited(samples.size());
    for (int32_t at = 0; at < frames; at += 1102) limiter.Read(limited.data() + at, std::min(1102, frames - at));
    std::vector<int16_t> want = To16(limited);
    std::vector<int16_t> got = Captured();
    ASSERT_GE(got.size(), want.size());
    EXPECT_TRUE(Slice(got, 0, want.size()) == want);
    // Loud all through, never wrapped round.
    int32_t peak = 0;
    for (size_t i = 0; i < want.size(); ++i) peak = std::max(peak, std::abs(int32_t(got[i])));
    EXPECT_GT(peak, 30000);
}

TEST_F(SoundPlayer, ASourceShorterThanOneBufferPlaysOnce) {
    std::vector<int32_t> samples = Noise(300, 1, kMax16, 3);
    LSoundSourcePtr src(new test::VectorSource(samples, 8000, 1));
    ASSERT_TRUE(player.Start(src, 0));
    ASSERT_TRUE(PlayToTheEnd());
    std::vector<int16_t> got = Captured();
    ASSERT_GE(got.size(), samples.size());
    EXPECT_TRUE(Slice(got, 0, samples.size()) == To16(samples));
    EXPECT_TRUE(ZerosFrom(got, samples.size()));
    EXPECT_EQ(heard.LastPosition(), FramesToMs(300, 8000));
}

TEST_F(SoundPlayer, PauseThenPlayLosesAndRepeatsNothing) {
    const int32_t rate = 8000, frames = 8000 * 8;  // longer than the ring
    std::vector<int32_t> samples = Noise(frames, 1, kMax16, 4);
    LSoundSourcePtr src(new test::VectorSource(samples, rate, 1));
    player.SetStallWait(5);  // a pause must outlast the stall rule by far
    ASSERT_TRUE(player.Start(src, 0));
    ASSERT_TRUE(PumpUntil([&] { return player.GetPosition() >= 8000; }, 20000));
    player.Pause();
    EXPECT_TRUE(player.GetState() & LSoundPlayer::kPaused);
    EXPECT_EQ(heard.Kinds().back(), 'Z');
    // Longer than 65 stall waits: a paused device is not a broken one.
    PumpUntil([] { return false; }, 1000);
    EXPECT_TRUE(player.IsOpen());
    EXPECT_FALSE(heard.Has('S'));
    player.Play();
    EXPECT_FALSE(player.GetState() & LSoundPlayer::kPaused);
    EXPECT_EQ(heard.Kinds().back(), 'P');
    ASSERT_TRUE(PlayToTheEnd());
    std::vector<int16_t> got = Captured();
    ASSERT_GE(got.size(), samples.size());
    EXPECT_TRUE(Slice(got, 0, samples.size()) == To16(samples));
    EXPECT_TRUE(ZerosFrom(got, samples.size()));
}

TEST_F(SoundPlayer, SeekWhilePausedStaysPausedAndPlaysFromThere) {
    const int32_t rate = 8000, frames = 16000;
    std::vector<int32_t> samples = Noise(frames, 1, kMax16, 5);
    LSoundSourcePtr src(new test::VectorSource(samples, rate, 1));
    ASSERT_TRUE(player.Start(src, LSoundPlayer::kStartPaused));
    EXPECT_EQ(heard.Kinds(), "ZT");
    EXPECT_TRUE(player.GetState() & LSoundPlayer::kPaused);
    PumpUntil([] { return false; }, 200);
    player.Seek(6000);
    EXPECT_TRUE(player.GetState() & LSoundPlayer::kPaused);
    EXPECT_EQ(heard.events.back().kind, 'T');
    EXPECT_EQ(heard.events.back().value, 750);
    EXPECT_EQ(player.GetPosition(), 6000);
    PumpUntil([] { return false; }, 200);
    player.Play();
    ASSERT_TRUE(PlayToTheEnd());
    std::vector<int16_t> got = Captured();
    std::vector<int16_t> want = To16(std::vector<int32_t>(samples.begin() + 6000, samples.end()));
    ASSERT_GE(got.size(), want.size());
    EXPECT_TRUE(Slice(got, 0, want.size()) == want);
    EXPECT_TRUE(ZerosFrom(got, want.size()));
}

TEST_F(SoundPlayer, SeekWhilePlayingContinuesFromTheNewPosition) {
    const int32_t rate = 8000, frames = 8000 * 10;
    std::vector<int32_t> samples = Noise(frames, 1, kMax16, 6);
    LSoundSourcePtr src(new test::VectorSource(samples, rate, 1));
    ASSERT_TRUE(player.Start(src, 0));
    ASSERT_TRUE(PumpUntil([&] { return player.GetPosition() >= 4000; }, 20000));
    const int32_t target = 56000;
    player.Seek(target);
    ASSERT_TRUE(PlayToTheEnd());

    // Some of the start, then everything from the target on. While the ring
    // refills, the device may play a moment of silence.
    std::vector<int16_t> got = Captured();
    std::vector<int16_t> all = To16(samples);
    std::vector<int16_t> tail(all.begin() + target, all.end());
    size_t k = 0;
    while (k < got.size() && k < all.size() && got[k] == all[k]) ++k;
    EXPECT_GE(k, 4000u);
    EXPECT_LT(k, size_t(target));
    size_t resume = k;
    while (resume < got.size() && got[resume] == 0) ++resume;
    ASSERT_GE(got.size(), resume + tail.size());
    EXPECT_TRUE(Slice(got, resume, resume + tail.size()) == tail) << "cut at " << k << ", resumed at " << resume;
    EXPECT_TRUE(ZerosFrom(got, resume + tail.size()));
}

TEST_F(SoundPlayer, CueLoopsASnippetAndPlayContinuesRightAfterIt) {
    const int32_t rate = 8000, frames = 8000 * 3;
    std::vector<int32_t> samples = Noise(frames, 1, kMax16, 7);
    LSoundSourcePtr src(new test::VectorSource(samples, rate, 1));
    src->Seek(4000);
    ASSERT_TRUE(player.Start(src, LSoundPlayer::kStartPaused));
    EXPECT_EQ(heard.events.back().value, 500);
    player.Cue();
    EXPECT_EQ(player.GetState(), LSoundPlayer::kOpen | LSoundPlayer::kCueing | LSoundPlayer::kTakeOff);
    std::string kinds = heard.Kinds();
    EXPECT_EQ(kinds.substr(kinds.size() - 3), "LCT");
    EXPECT_EQ(heard.events.back().value, 500);
    player.Cue();  // cueing and not paused: nothing
    EXPECT_EQ(heard.Kinds(), kinds);
    PumpUntil([] { return false; }, 300);  // a few turns of the loop
    player.Play();
    EXPECT_EQ(player.GetState() & LSoundPlayer::kCueing, 0);
    ASSERT_TRUE(PlayToTheEnd());

    // The snippet (200 frames) over and over, then the audio after the
    // snippet to the end.
    std::vector<int16_t> got = Captured();
    std::vector<int16_t> all = To16(samples);
    std::vector<int16_t> snippet(all.begin() + 4000, all.begin() + 4200);
    size_t at = 0;
    while (at < got.size() && got[at] == snippet[at % 200]) ++at;
    EXPECT_GE(at, 800u);  // at least one turn of the loop buffer
    std::vector<int16_t> after(all.begin() + 4200, all.end());
    // Where the loop was left, the snippet may have started over; after it
    // the device may play a moment of silence while the ring refills.
    size_t start = at > 200 ? at - 200 : 0;
    while (start < got.size() && Slice(got, start, start + 50) != Slice(after, 0, 50)) ++start;
    ASSERT_GE(got.size(), start + after.size()) << "the audio after the snippet never came";
    EXPECT_TRUE(start <= at || ZerosFrom(Slice(got, at, start), 0));
    EXPECT_TRUE(Slice(got, start, start + after.size()) == after) << "continued at " << start << " of " << at;
    EXPECT_TRUE(ZerosFrom(got, start + after.size()));
}

TEST_F(SoundPlayer, StopMidwayClosesAtOnce) {
    std::vector<int32_t> samples = Noise(8000 * 20, 1, kMax16, 8);
    LSoundSourcePtr src(new test::VectorSource(samples, 8000, 1));
    ASSERT_TRUE(player.Start(src, 0));
    ASSERT_TRUE(PumpUntil([&] { return player.GetPosition() >= 8000; }, 20000));
    player.Stop();
    EXPECT_EQ(player.GetState(), LSoundPlayer::kClosed);
    EXPECT_EQ(player.GetPosition(), 0);
    EXPECT_EQ(heard.Kinds().back(), 'S');
    EXPECT_EQ(src->RefCount(), 1);  // the player let go of it
    PumpUntil([] { return false; }, 200);
    player.Stop();  // closed: nothing
    std::string kinds = heard.Kinds();
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 'S'), 1);

    std::vector<int16_t> got = Captured();
    std::vector<int16_t> all = To16(samples);
    size_t k = 0;
    while (k < got.size() && got[k] == all[k]) ++k;
    EXPECT_GE(k, 8000u);
    EXPECT_LT(k, all.size());
    EXPECT_TRUE(ZerosFrom(got, k));
}

TEST_F(SoundPlayer, PreFilledStartPlaysWithoutAPauseAndPausedWins) {
    std::vector<int32_t> samples = Noise(8000 * 5, 1, kMax16, 9);
    LSoundSourcePtr src(new test::VectorSource(samples, 8000, 1));
    ASSERT_TRUE(player.Start(src, LSoundPlayer::kStartPreFilled));
    EXPECT_TRUE(player.GetState() & LSoundPlayer::kPreFilling);
    ASSERT_TRUE(PlayToTheEnd());
    EXPECT_FALSE(heard.Has('Z'));
    std::vector<int16_t> got = Captured();
    ASSERT_GE(got.size(), samples.size());
    EXPECT_TRUE(Slice(got, 0, samples.size()) == To16(samples));

    heard.events.clear();
    src->Seek(0);
    ASSERT_TRUE(player.Start(src, LSoundPlayer::kStartPaused | LSoundPlayer::kStartPreFilled));
    EXPECT_EQ(player.GetState(), LSoundPlayer::kOpen | LSoundPlayer::kTakeOff | LSoundPlayer::kPaused);
    EXPECT_EQ(heard.Kinds(), "ZT");
    player.Stop();
}

TEST_F(SoundPlayer, StartFailuresLeaveThePlayerClosed) {
    std::vector<int32_t> samples = Noise(800, 1, kMax16, 10);
    LSoundSourcePtr src(new test::VectorSource(samples, 8000, 1));
    player.SetDevice(50);  // no such device, directly or through the mapper
    EXPECT_FALSE(player.Start(src, 0));
    EXPECT_EQ(player.GetState(), LSoundPlayer::kClosed);
    EXPECT_TRUE(heard.events.empty());
    EXPECT_EQ(src->RefCount(), 1);

    player.SetDevice(0);
    LSoundSourcePtr broken(new test::VectorSource(samples, 8000, 1));
    broken->SetError();
    EXPECT_FALSE(player.Start(broken, 0));
    EXPECT_FALSE(player.Start(LSoundSourcePtr(), 0));  // the silent null source carries the error flag
    EXPECT_EQ(player.GetState(), LSoundPlayer::kClosed);
    EXPECT_TRUE(heard.events.empty());

    // The wave mapper (-1) opens.
    player.SetDevice(-1);
    EXPECT_TRUE(player.Start(src, 0));
    player.Stop();
}

TEST_F(SoundPlayer, ChannelCountZeroPlaysAsMonoAndSilenceReadsMinus127) {
    std::vector<int32_t> zeros(4000, 0);
    auto* raw = new test::VectorSource(zeros, 8000, 1);
    LSoundSourcePtr src(raw);
    raw->nChans = 0;
    ASSERT_TRUE(player.Start(src, 0));
    ASSERT_TRUE(PlayToTheEnd());
    bool sawLevels = false;
    for (const Event& e : heard.events) {
        if (e.kind != 'L') continue;
        sawLevels = true;
        EXPECT_EQ(e.levels.nCount, 1);
        EXPECT_EQ(e.levels.iLevels[0], -127);
    }
    EXPECT_TRUE(sawLevels);
}

}  // namespace
