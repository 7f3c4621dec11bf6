#include <gtest/gtest.h>

#include <random>

#include "core/LConvChannels.h"
#include "core/LPump.h"
#include "core/LSoundTime.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

TEST(SampleFormat, EightBitMapping) {
    struct Case { uint8_t byte; int32_t internal; };
    for (Case c : {Case{0, -524288}, Case{128, 0}, Case{255, 520192}}) {
        EXPECT_EQ(FromPCM8(c.byte), c.internal);
        EXPECT_EQ(ToPCM8(c.internal), c.byte);
    }
    EXPECT_EQ(ToPCM8(2047), 128);   // rounds to nearest
    EXPECT_EQ(ToPCM8(2048), 129);
}

TEST(SampleFormat, BulkConversionsMatchScalar) {
    std::vector<int16_t> in16 = {-32768, -1, 0, 1, 32767, 1234};
    std::vector<int32_t> mid(in16.size());
    std::vector<int16_t> back(in16.size());
    ConvertFromPCM16(in16.data(), mid.data(), int32_t(in16.size()));
    ConvertToPCM16(mid.data(), back.data(), int32_t(mid.size()));
    EXPECT_EQ(back, in16);
    EXPECT_EQ(mid[0], -524288);
}

TEST(MulGain, UnityIsIdentityAndHalfTruncates) {
    std::mt19937 rng(Seed());
    for (int i = 0; i < 100000; ++i) {
        int32_t s = int32_t(rng());
        ASSERT_EQ(MulGain(s, 0x1000000), s) << s;
    }
    for (int32_t s : {INT32_MIN, INT32_MAX, 0, -1, 1, 0xFFF, -0x1000}) EXPECT_EQ(MulGain(s, 0x1000000), s);
    EXPECT_EQ(MulGain(-4096, 0x800000), -2048);
    EXPECT_EQ(MulGain(524272, 0), 0);
    // Against exact arithmetic: the split form truncates by at most 2 units.
    for (int i = 0; i < 100000; ++i) {
        int32_t s = int32_t(rng() % 0x400000) - 0x200000;
        int32_t g = int32_t(rng() % 0x4000000);
        int64_t exact = (int64_t(s) * g) >> 24;
        int32_t got = MulGain(s, g);
        ASSERT_LE(std::abs(int64_t(got) - exact), 2) << s << " " << g;
    }
}

TEST(SoundTime, FrameConversions) {
    struct Case { int32_t frames, rate, ms; };
    for (Case c : {Case{44100, 44100, 1000}, Case{44099, 44100, 999}, Case{22050, 44100, 500},
                   Case{-44100, 44100, -1000}, Case{7, 0, 0}, Case{7, -5, 0},
                   Case{2000000000, 48000, 41666666}}) {
        LSoundTime t;
        t.SetSamples(c.frames, c.rate);
        EXPECT_EQ(t.ms, c.ms) << c.frames << "@" << c.rate;
    }
    EXPECT_EQ(LSoundTime(1000).GetSamples(44100), 44100);
    EXPECT_EQ(LSoundTime(1).GetSamples(44100), 44);
    EXPECT_EQ(LSoundTime(1500).GetSamples(44100), 66150);
    // The split form keeps long times inside 32 bits: 10 hours at 48 kHz.
    EXPECT_EQ(LSoundTime(36000000).GetSamples(48000), 1728000000);
}

TEST(SoundTime, TextForms) {
    struct Case { int32_t ms; const char* position; const char* length; };
    for (Case c : {Case{0, "0:00:00.00", "0:00:00.000"}, Case{1234, "0:00:01.23", "0:00:01.234"},
                   Case{1235, "0:00:01.24", "0:00:01.235"}, Case{-1234, "-0:00:01.23", "-0:00:01.234"},
                   Case{3723004, "1:02:03.00", "1:02:03.004"}, Case{59995, "0:01:00.00", "0:00:59.995"},
                   Case{INT32_MIN, "-596:31:23.65", "-596:31:23.648"}}) {
        EXPECT_EQ(FormatPosition(LSoundTime(c.ms)), c.position) << c.ms;
        EXPECT_EQ(FormatLength(LSoundTime(c.ms)), c.length) << c.ms;
    }
}

namespace {
class CountingSource : public LSoundSourceBase {
public:
    CountingSource(int* alive, int32_t rate, uint32_t chans) : LSoundSourceBase(rate, chans, kMax16), alive_(alive) {
        ++*alive_;
    }
    ~CountingSource() override { --*alive_; }
    void Read(int32_t*, int32_t) override {}
    int32_t GetPosition() override { return 0; }
    int32_t GetLength() override { return 0; }

private:
    int* alive_;
};
}  // namespace

TEST(SourceBase, ConstructionRules) {
    int alive = 0;
    struct Case { int32_t rate; uint32_t chans; int32_t wantRate; uint32_t wantChans; bool error; };
    for (Case c : {Case{0, 2, 44100, 2, true}, Case{-3, 1, 44100, 1, true}, Case{8000, 0, 8000, 1, true},
                   Case{1, 255, 1, 255, false}, Case{8000, 256, 8000, 1, true}, Case{48000, 2, 48000, 2, false}}) {
        CountingSource s(&alive, c.rate, c.chans);
        EXPECT_EQ(s.nSampleRate, c.wantRate);
        EXPECT_EQ(s.nChans, c.wantChans);
        EXPECT_EQ(s.HasError(), c.error);
    }
    LSRCNull null;
    EXPECT_EQ(null.nSampleRate, 11025);
    EXPECT_EQ(null.nChans, 1);
    EXPECT_EQ(null.iPeakBound, 0x200000);
    EXPECT_TRUE(null.HasError());
}

TEST(CountedReferences, SharingAndLastReleaseDestroys) {
    int alive = 0;
    {
        LSoundSourcePtr a(new CountingSource(&alive, 8000, 1));
        EXPECT_EQ(alive, 1);
        {
            LSoundSourcePtr b = a;
            LSoundSourcePtr c;
            c = b;
            EXPECT_EQ(a->RefCount(), 3);
            c = c;  // self-assignment keeps the object
            EXPECT_EQ(alive, 1);
        }
        EXPECT_EQ(a->RefCount(), 1);
        a = a;
        EXPECT_EQ(alive, 1);
        LSoundSourcePtr moved = std::move(a);
        EXPECT_TRUE(a->HasError());  // moved-from holds a fresh silent source
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0);
    LSoundSourcePtr def;
    ASSERT_TRUE(def);
    EXPECT_TRUE(def->HasError());
    std::vector<int32_t> buf(16, 7);
    def->Read(buf.data(), 16);
    EXPECT_EQ(buf, std::vector<int32_t>(16, 0));
    LSoundSinkPtr sink;
    EXPECT_FALSE(sink);
}

TEST(ChannelConverters, ProcessorRulesAndSamples) {
    auto stereo = MakeSource<VectorSource>(std::vector<int32_t>{1, 100, 2, 200, 3, 300}, 8000, 2);
    auto mono = LSPConvChannels(1).OpenSource(stereo);
    ASSERT_NE(mono.Get(), stereo.Get());
    EXPECT_EQ(mono->nChans, 1);
    EXPECT_EQ(ReadAll(*mono), (std::vector<int32_t>{1, 2, 3}));  // right channel dropped

    auto m = MakeSource<VectorSource>(std::vector<int32_t>{5, -6}, 8000, 1);
    auto st = LSPConvChannels(2).OpenSource(m);
    EXPECT_EQ(st->nChans, 2);
    EXPECT_EQ(st->GetLength(), 2);
    EXPECT_EQ(ReadAll(*st), (std::vector<int32_t>{5, 5, -6, -6}));

    // Returned unchanged: equal counts, 0, error flag, unsupported pairs.
    auto three = MakeSource<VectorSource>(std::vector<int32_t>(9, 1), 8000, 3);
    EXPECT_EQ(LSPConvChannels(1).OpenSource(three).Get(), three.Get());
    EXPECT_EQ(LSPConvChannels(0).OpenSource(m).Get(), m.Get());
    EXPECT_EQ(LSPConvChannels(1).OpenSource(m).Get(), m.Get());
    LSoundSourcePtr null;
    EXPECT_EQ(LSPConvChannels(2).OpenSource(null).Get(), null.Get());
}

namespace {
class CancelAfter : public LProgress {
public:
    explicit CancelAfter(int blocks) : left_(blocks) {}
    bool IsCancelled() override { return left_-- <= 0; }
    void SetText(const char* text, int line) override { lines[line & 1] = text; }
    void SetProgress(double f) override { last = f; }
    std::string lines[2];
    double last = -1;

private:
    int left_;
};
}  // namespace

TEST(Pump, WritesExactlyTheLengthInBlocks) {
    for (int32_t frames : {0, 1, 8191, 8192, 8193, 20000}) {
        std::vector<int32_t> in(size_t(frames) * 2);
        for (size_t i = 0; i < in.size(); ++i) in[i] = int32_t(i % 1000) * 16;
        std::vector<int32_t> out;
        LPRSourceToSink rec{"Copying", MakeSource<VectorSource>(in, 8000, 2), MakeSink<VectorSink>(&out, 8000, 2)};
        CancelAfter progress(1000);
        EXPECT_EQ(Process(&progress, rec), kProcessDone);
        EXPECT_EQ(out, in) << frames;
        EXPECT_EQ(rec.pSink->nPosition, frames);
        EXPECT_EQ(progress.lines[0], "Copying");
        EXPECT_EQ(progress.lines[1], "Please wait...");
    }
}

TEST(Pump, FailsBeforeTouchingBadStreamsAndCancels) {
    std::vector<int32_t> out;
    LPRSourceToSink bad{"x", LSoundSourcePtr(), MakeSink<VectorSink>(&out, 8000, 1)};
    LNullProgress np;
    EXPECT_EQ(Process(&np, bad), kProcessFailed);
    LPRSourceToSink noSink{"x", MakeSource<VectorSource>(std::vector<int32_t>(10), 8000, 1), LSoundSinkPtr()};
    EXPECT_EQ(Process(&np, noSink), kProcessFailed);
    auto errSink = MakeSink<VectorSink>(&out, 8000, 0);  // 0 channels sets the error flag
    LPRSourceToSink errRec{"x", MakeSource<VectorSource>(std::vector<int32_t>(10), 8000, 1), errSink};
    EXPECT_EQ(Process(&np, errRec), kProcessFailed);
    EXPECT_TRUE(out.empty());

    LPRSourceToSink rec{"x", MakeSource<VectorSource>(std::vector<int32_t>(50000, 16), 8000, 1),
                        MakeSink<VectorSink>(&out, 8000, 1)};
    CancelAfter two(2);
    EXPECT_EQ(Process(&two, rec), kProcessCancelled);
    EXPECT_EQ(out.size(), 2u * 8192);
}

TEST(Pump, AdaptsChannelsAndLimitsLoudSources) {
    // Stereo source with right-only content into a mono sink: silence.
    std::vector<int32_t> in;
    for (int i = 0; i < 100; ++i) {
        in.push_back(0);
        in.push_back(4000);
    }
    std::vector<int32_t> out;
    LPRSourceToSink rec{"x", MakeSource<VectorSource>(in, 8000, 2), MakeSink<VectorSink>(&out, 8000, 1)};
    LNullProgress np;
    ASSERT_EQ(Process(&np, rec), kProcessDone);
    EXPECT_EQ(out, std::vector<int32_t>(100, 0));

    // Mono into a 3-channel sink cannot be adapted: refused, nothing written.
    std::vector<int32_t> out3;
    LPRSourceToSink rec3{"x", MakeSource<VectorSource>(std::vector<int32_t>(9000, 1), 8000, 1),
                         MakeSink<VectorSink>(&out3, 8000, 3)};
    EXPECT_EQ(Process(&np, rec3), kProcessFailed);
    EXPECT_TRUE(out3.empty());

    // A source whose bound is above 16-bit full scale is limited on the way.
    std::vector<int32_t> loud = Sine(20000, 1, 8000, 440, 1500000);
    std::vector<int32_t> lim;
    LPRSourceToSink recL{"x", MakeSource<VectorSource>(loud, 8000, 1, 0x200000), MakeSink<VectorSink>(&lim, 8000, 1)};
    ASSERT_EQ(Process(&np, recL), kProcessDone);
    ASSERT_EQ(lim.size(), loud.size());
    for (int32_t s : lim) ASSERT_LE(std::abs(s), kMax16 + 2);
}
