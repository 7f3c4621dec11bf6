#include <gtest/gtest.h>

#include "core/LRangePump.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {
struct Recorder : LProgress {
    int blocks = 0;
    std::string line1;
    double last = -1;
    int cancelAt = -1;
    bool IsCancelled() override { return cancelAt >= 0 && blocks++ >= cancelAt; }
    void SetText(const char* t, int line) override {
        if (line == 1) line1 = t;
    }
    void SetProgress(double f) override { last = f; }
};

std::vector<int32_t> Ramp(int32_t frames) {
    std::vector<int32_t> v(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i) v[size_t(i)] = i;
    return v;
}
}  // namespace

TEST(RangePump, WritesExactlyTheRange) {
    struct Case { int32_t startMs, endMs, firstFrame, frames; };
    // At 1000 Hz one millisecond is one frame.
    for (Case c : {Case{0, 1000, 0, 1000}, Case{250, 20000, 250, 19750}, Case{500, 500, 500, 1},
                   Case{-300, 100, 0, 100}, Case{0, 0, 0, 1}}) {
        std::vector<int32_t> out;
        LEfSoundProcess rec{.pSource = MakeSource<VectorSource>(Ramp(30000), 1000, 1),
                            .pSink = MakeSink<VectorSink>(&out, 1000, 1),
                            .stStart = c.startMs,
                            .stEnd = c.endMs};
        Recorder p;
        ASSERT_EQ(Process(&p, rec), kProcessDone);
        ASSERT_EQ(int32_t(out.size()), c.frames) << c.startMs << ".." << c.endMs;
        EXPECT_EQ(out.front(), c.firstFrame);
        EXPECT_EQ(out.back(), c.firstFrame + c.frames - 1);
        EXPECT_EQ(p.line1, "Please wait...");
        EXPECT_DOUBLE_EQ(p.last, 1.0);
    }
}

TEST(RangePump, ReversedRangeDoesNothingAndCancelStops) {
    std::vector<int32_t> out;
    LEfSoundProcess rev{.pSource = MakeSource<VectorSource>(Ramp(100), 1000, 1),
                        .pSink = MakeSink<VectorSink>(&out, 1000, 1),
                        .stStart = 50,
                        .stEnd = 10};
    Recorder p;
    EXPECT_EQ(Process(&p, rev), kProcessDone);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(p.line1, "");  // the dialog was not touched

    LEfSoundProcess rec{.pSource = MakeSource<VectorSource>(Ramp(100000), 1000, 1),
                        .pSink = MakeSink<VectorSink>(&out, 1000, 1),
                        .stStart = 0,
                        .stEnd = 100000};
    Recorder c;
    c.cancelAt = 3;
    EXPECT_EQ(Process(&c, rec), kProcessCancelled);
    EXPECT_EQ(out.size(), 3u * 8192);

    // Without a sink the source is still read through.
    LEfSoundProcess noSink{
        .pSource = MakeSource<VectorSource>(Ramp(100), 1000, 1), .pSink = LSoundSinkPtr(), .stStart = 0, .stEnd = 100};
    EXPECT_EQ(Process(&p, noSink), kProcessDone);
    EXPECT_EQ(noSink.pSource->GetPosition(), 100);
}
