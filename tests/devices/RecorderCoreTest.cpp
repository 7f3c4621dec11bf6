// The recorder's rules over synthetic 100 ms buffers at 8000 Hz mono (800
// frames): what is written, held back, trimmed and reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/LSample.h"
#include "devices/LRecorderCore.h"

namespace sondrel {
namespace {

constexpr int32_t kRate = 8000;
constexpr int32_t kFrames = 800;  // one buffer, 100 ms

// A sink over memory that can go back and overwrite, like the cut-list
// writer: the result is what lies before the final position. It can be
// told to fail from a given frame on.
class MemorySink : public LSoundSinkBase {
public:
    MemorySink(std::vector<int32_t>* data, int32_t chans, int32_t start = 0, int32_t failFrom = -1)
        : LSoundSinkBase(kRate, chans, start), data_(data), failFrom_(failFrom) {
        data_->assign(size_t(start) * chans, 7);
    }
    void Write(const int32_t* b, int32_t n) override {
        int32_t ok = n;
        if (failFrom_ >= 0 && nPosition + n > failFrom_) {
            ok = std::max(failFrom_ - nPosition, 0);
            SetError();
        }
        size_t at = size_t(nPosition) * nChans;
        if (data_->size() < at + size_t(ok) * nChans) data_->resize(at + size_t(ok) * nChans);
        std::copy(b, b + size_t(ok) * nChans, data_->begin() + at);
        nPosition += n;
    }
    void Seek(int32_t p) override { nPosition = p; }

private:
    std::vector<int32_t>* data_;
    int32_t failFrom_;
};

// Buffer kinds: Q quiet noise (about -44 dB), L loud (about +6 dB), H half
// quiet then loud, F loud first half then quiet, Z zeros.
std::vector<int16_t> MakeBuffer(char kind, int32_t chans, uint32_t seed) {
    std::vector<int16_t> b(size_t(kFrames) * chans);
    for (int32_t i = 0; i < kFrames; ++i) {
        bool loud = kind == 'L' || (kind == 'H' && i >= kFrames / 2) || (kind == 'F' && i < kFrames / 2);
        int32_t v;
        if (kind == 'Z')
            v = 0;
        else if (loud)
            v = ((i / 4) % 2 ? 16000 : -16000) + int32_t((seed * 31 + i) % 97);
        else
            v = int32_t((seed * 17 + i * 13) % 101) - 50;
        for (int32_t c = 0; c < chans; ++c) b[size_t(i) * chans + c] = int16_t(v);
    }
    return b;
}

// Feeds a sequence of buffer kinds; keeps the DC-filtered input for the
// expectations (the filter itself is checked by hand elsewhere).
struct Take {
    std::vector<int32_t> out;
    std::vector<int32_t> filtered;  // every buffer fed, after the DC filter
    LRecorderCore core;
    LSoundSinkPtr sink;
    LDCFilter reference;
    int32_t chans = 1;

    explicit Take(int32_t channels = 1, int32_t start = 0, int32_t failFrom = -1) : chans(channels) {
        sink = LSoundSinkPtr(new MemorySink(&out, chans, start, failFrom));
        reference.Setup(kRate, chans);
    }
    bool Begin(bool atOnce, int32_t stopDelay, int32_t threshold, int32_t maxTime = 0) {
        bool ok = core.Begin(sink, atOnce, stopDelay, threshold, maxTime);
        if (ok) core.Prepare();
        return ok;
    }
    void Feed(const std::string& kinds) {
        for (char k : kinds) {
            std::vector<int16_t> b = MakeBuffer(k, chans, uint32_t(filtered.size()));
            std::vector<int32_t> x(b.size());
            ConvertFromPCM16(b.data(), x.data(), int32_t(b.size()));
            reference.Apply(x.data(), kFrames);
            filtered.insert(filtered.end(), x.begin(), x.end());
            core.LoadBuffer(b.data());
            core.ProcessBuffer();
        }
    }
    // Frames [from, from + n) of buffer number index of the filtered input.
    std::vector<int32_t> Part(int32_t index, int32_t from, int32_t n) const {
        auto at = filtered.begin() + (size_t(index) * kFrames + from) * chans;
        return std::vector<int32_t>(at, at + size_t(n) * chans);
    }
    // What the sink holds now (before its final position).
    std::vector<int32_t> Held() const {
        return std::vector<int32_t>(out.begin(), out.begin() + size_t(sink->nPosition) * chans);
    }
};

std::vector<int32_t> Cat(std::initializer_list<std::vector<int32_t>> parts) {
    std::vector<int32_t> r;
    for (const auto& p : parts) r.insert(r.end(), p.begin(), p.end());
    return r;
}

TEST(RecorderCore, BeginRefusesAnEmptyOrFailedSink) {
    LRecorderCore core;
    EXPECT_FALSE(core.Begin(LSoundSinkPtr(), false, 5000, -10, 0));
    std::vector<int32_t> out;
    LSoundSinkPtr bad(new MemorySink(&out, 1));
    bad->SetError();
    EXPECT_FALSE(core.Begin(bad, false, 5000, -10, 0));
    EXPECT_EQ(core.GetState(), kRecorderStopped);
    EXPECT_FALSE(core.GetSink());
}

TEST(RecorderCore, SetUpFollowsTheSink) {
    std::vector<int32_t> out;
    const struct {
        int32_t rate, chans, frames;
    } cases[] = {{44100, 2, 4410}, {8000, 1, 800}, {96000, 1, 8192}, {100, 2, 20}};
    for (auto c : cases) {
        LRecorderCore core;
        LSoundSinkPtr sink(new MemorySink(&out, c.chans));
        sink->nSampleRate = c.rate;
        ASSERT_TRUE(core.Begin(sink, false, 5000, -10, 0));
        core.Prepare();
        EXPECT_EQ(core.FramesPerBuffer(), c.frames) << c.rate;
        EXPECT_EQ(core.Channels(), c.chans);
        EXPECT_EQ(core.GetLevels().nCount, c.chans);
    }
}

TEST(RecorderCore, OnsetInTheFirstHalfKeepsTheLast50msOfTheHeldBackBuffer) {
    Take r;
    ASSERT_TRUE(r.Begin(false, 216000000, -10));
    r.Feed("QQ");
    EXPECT_EQ(r.core.GetState(), kRecorderWaiting);
    EXPECT_TRUE(r.out.empty());
    r.Feed("LL");
    EXPECT_EQ(r.core.GetState(), kRecorderRecording);
    EXPECT_TRUE(r.core.TakeStateChanged());
    EXPECT_EQ(r.Held(), Cat({r.Part(1, 400, 400), r.Part(2, 0, 800), r.Part(3, 0, 800)}));

    // Onset in the first half of the very first buffer: nothing is held back yet.
    Take first;
    ASSERT_TRUE(first.Begin(false, 216000000, -10));
    first.Feed("F");
    EXPECT_EQ(first.Held(), first.Part(0, 0, 800));
}

TEST(RecorderCore, OnsetInTheSecondHalfKeepsNothingBeforeIt) {
    Take r;
    ASSERT_TRUE(r.Begin(false, 216000000, -10));
    r.Feed("QQHL");
    EXPECT_EQ(r.Held(), Cat({r.Part(2, 0, 800), r.Part(3, 0, 800)}));
}

TEST(RecorderCore, VoiceStopKeeps450msAfterTheLastLoudBuffer) {
    Take r;
    ASSERT_TRUE(r.Begin(false, 1000, -10));
    r.Feed("LLL");
    r.Feed(std::string(10, 'Q'));
    EXPECT_EQ(r.core.GetState(), kRecorderRecording);  // 1000 ms of quiet is not more than the delay
    r.Feed("Q");
    EXPECT_EQ(r.core.GetState(), kRecorderWaiting);
    EXPECT_EQ(r.sink->nPosition, 6000);  // 300 ms loud + 450 ms
    r.Feed("QQQ");
    EXPECT_EQ(r.sink->nPosition, 6000);
    r.Feed("LL");
    // Loud again: the last 50 ms of the held quiet buffer, then the sound.
    EXPECT_EQ(r.Held(), Cat({r.Part(0, 0, 800), r.Part(1, 0, 800), r.Part(2, 0, 800), r.Part(3, 0, 800),
                             r.Part(4, 0, 800), r.Part(5, 0, 800), r.Part(6, 0, 800), r.Part(7, 0, 400),
                             r.Part(16, 400, 400), r.Part(17, 0, 800), r.Part(18, 0, 800)}));
    EXPECT_EQ(r.core.GetLastLoud(), 1000);
    r.core.Finish();  // loud to the end: nothing more goes
    EXPECT_EQ(r.sink->nPosition, 8000);
}

TEST(RecorderCore, StopKeeps50msAfterTheLastLoudBuffer) {
    const struct {
        const char* kinds;
        int32_t keptFrames;
    } cases[] = {
        {"LLQQQ", 2000},   // 200 ms loud + 50 ms
        {"LLL", 2400},     // loud to the end: nothing removed
        {"LLQ", 2000},
        {"QLQQQ", 1600},   // 50 ms held back + the loud buffer + 50 ms
        {"QHQQ", 1200},    // the onset buffer counts as loud
        {"QQQ", 0},        // never started: nothing written
    };
    for (auto c : cases) {
        Take r;
        ASSERT_TRUE(r.Begin(false, 216000000, -10));
        r.Feed(c.kinds);
        r.core.Finish();
        EXPECT_EQ(r.sink->nPosition, c.keptFrames) << c.kinds;
        EXPECT_EQ(r.core.GetState(), kRecorderStopped);
        EXPECT_FALSE(r.core.GetSink());
        EXPECT_EQ(r.core.GetLastLoud(), 0);
    }
}

TEST(RecorderCore, ThresholdMinus127RecordsFromTheFirstBufferAndNeverPauses) {
    Take r;
    ASSERT_TRUE(r.Begin(false, 100, -127));
    r.Feed("Z");
    EXPECT_EQ(r.core.GetState(), kRecorderRecording);
    r.Feed("ZZZZZZZZQZZ");
    EXPECT_EQ(r.core.GetState(), kRecorderRecording);
    EXPECT_EQ(r.Held(), r.filtered);
    r.core.Finish();
    EXPECT_EQ(r.sink->nPosition, 12 * 800);
}

TEST(RecorderCore, MaxTimeCountsWhatTheSinkHeldBeforeStart) {
    Take r(1, 16000);  // 2 s already there
    ASSERT_TRUE(r.Begin(true, 216000000, -10, 2250));
    EXPECT_EQ(r.core.GetLastLoud(), 2000);
    r.Feed("LL");
    EXPECT_FALSE(r.core.MaxTimeReached());
    r.Feed("L");
    EXPECT_TRUE(r.core.MaxTimeReached());
    EXPECT_EQ(r.sink->nPosition, 16000 + 2400);
}

TEST(RecorderCore, AStopDelayShorterThanTheKeptPauseNeverMovesForward) {
    Take r;
    ASSERT_TRUE(r.Begin(true, 100, -10));
    r.Feed("LQQ");
    EXPECT_EQ(r.core.GetState(), kRecorderWaiting);
    EXPECT_EQ(r.sink->nPosition, 2400);  // not 100 + 450 ms, past what was written
    EXPECT_EQ(r.out.size(), size_t(2400));
}

TEST(RecorderCore, ASinkThatFailsKeepsTheWholeBuffersBeforeIt) {
    Take r(2, 0, 2000);  // stereo; fails inside the third buffer
    ASSERT_TRUE(r.Begin(true, 216000000, -127));
    r.Feed("LL");
    EXPECT_FALSE(r.core.SinkFailed());
    r.Feed("L");
    EXPECT_TRUE(r.core.SinkFailed());
    EXPECT_EQ(r.sink->nPosition, 1600);
    r.Feed("LL");  // ignored from now on
    std::vector<int16_t> tail(100 * 2, 1000);
    r.core.WriteTail(tail.data(), 100);
    EXPECT_EQ(r.sink->nPosition, 1600);
    EXPECT_EQ(r.Held(), Cat({r.Part(0, 0, 800), r.Part(1, 0, 800)}));
    r.core.Finish();
    EXPECT_EQ(r.sink->nPosition, 1600);  // loud to the end of what it holds
}

TEST(RecorderCore, TailIsWrittenOnlyWhileRecordingAndContinuesTheFilter) {
    Take r;
    ASSERT_TRUE(r.Begin(true, 216000000, -10));
    r.Feed("L");
    std::vector<int16_t> tail = MakeBuffer('L', 1, 99);
    r.core.WriteTail(tail.data(), 300);
    std::vector<int32_t> x(300);
    ConvertFromPCM16(tail.data(), x.data(), 300);
    r.reference.Apply(x.data(), 300);
    EXPECT_EQ(r.Held(), Cat({r.Part(0, 0, 800), x}));
    r.core.WriteTail(tail.data(), 801);  // more than a buffer: refused
    r.core.WriteTail(tail.data(), 0);
    EXPECT_EQ(r.sink->nPosition, 1100);

    Take waiting;
    ASSERT_TRUE(waiting.Begin(false, 216000000, -10));
    waiting.Feed("Q");
    waiting.core.WriteTail(tail.data(), 300);
    EXPECT_EQ(waiting.sink->nPosition, 0);
}

TEST(RecorderCore, RestartEmptiesTheSinkAndWaits) {
    Take r;
    ASSERT_TRUE(r.Begin(true, 216000000, -10));
    r.Feed("LLL");
    r.core.Restart();
    EXPECT_EQ(r.sink->nPosition, 0);
    EXPECT_EQ(r.core.GetLastLoud(), 0);
    EXPECT_EQ(r.core.GetState(), kRecorderWaiting);
    r.core.Prepare();
    r.Feed("QL");
    EXPECT_EQ(r.sink->nPosition, 1200);
}

TEST(RecorderCore, LevelsAndReportFlags) {
    Take r(2);
    ASSERT_TRUE(r.Begin(false, 216000000, -10));
    EXPECT_FALSE(r.core.TakeLevelsPending());
    r.Feed("Q");
    EXPECT_TRUE(r.core.TakeLevelsPending());
    EXPECT_FALSE(r.core.TakeLevelsPending());
    LChannelLevels lv = r.core.GetLevels();
    EXPECT_EQ(lv.nCount, 2);
    EXPECT_LT(lv.iLevels[0], -10);
    EXPECT_FALSE(r.core.TakeStateChanged());
    r.Feed("H");  // onset: reports the first half, which is quiet
    lv = r.core.GetLevels();
    EXPECT_LT(lv.iLevels[0], -10);
    EXPECT_TRUE(r.core.TakeStateChanged());
    r.Feed("L");
    lv = r.core.GetLevels();
    EXPECT_EQ(lv.iLevels[0], 6);
    EXPECT_EQ(lv.iLevels[1], 6);
}

}  // namespace
}  // namespace sondrel
