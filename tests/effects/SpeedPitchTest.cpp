// The three speed and pitch modes, measured: output length, the tone's
// frequency before and after, and the selection end the operation reports.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DynTestUtil.h"
#include "effects/LSpeedPitch.h"
#include "support/TestUtil.h"

namespace sondrel {
namespace {

using test::Channel;
using test::Sine;
using test::VectorSink;
using test::VectorSource;

constexpr int32_t kRate = 44100;
constexpr int32_t kSegFrames = 490;
constexpr double kTone = 441.0;

struct Result {
    int code;
    int32_t frames;
    double hz;
};

Result RunMode(int32_t percent, int32_t mode, int32_t inFrames, double toneHz = kTone) {
    auto in = Sine(inFrames, 2, kRate, toneHz, 200000);
    std::vector<int32_t> out;
    auto sink = MakeSink<VectorSink>(&out, kRate, 2);
    test::CancelAfter progress(1 << 30);
    Result r;
    r.code = RunSpeedPitch(&progress, MakeSource<VectorSource>(in, kRate, 2), sink, percent, mode);
    EXPECT_EQ(progress.caption, "Process Audio");
    r.frames = int32_t(out.size() / 2);
    // Measure away from the ends.
    r.hz = test::PeakFrequency(Channel(out, 2, 0, r.frames / 8, r.frames - r.frames / 8), kRate);
    return r;
}

struct ModeCase {
    int32_t percent, mode;
    double hz;          // test tone
    double length;      // expected output frames
    double pitchRatio;  // expected frequency ratio
    double hzTolerance;
};

void MeasureModes(const std::vector<ModeCase>& cases) {
    const int32_t n = 2 * kRate;
    for (const ModeCase& c : cases) {
        const double inHz = test::PeakFrequency(Channel(Sine(n, 1, kRate, c.hz, 200000), 1, 0), kRate);
        ASSERT_NEAR(inHz, c.hz, 0.5);
        Result r = RunMode(c.percent, c.mode, n, c.hz);
        ASSERT_EQ(r.code, 0);
        // The length divided by the factor, to less than a segment (the
        // converter's own rounding of the rate adds a frame or two).
        EXPECT_GE(r.frames, c.length - 4) << c.percent << "% mode " << c.mode;
        EXPECT_LT(r.frames, c.length + kSegFrames + 4) << c.percent << "% mode " << c.mode;
        EXPECT_NEAR(r.hz, inHz * c.pitchRatio, c.hzTolerance)
            << c.percent << "% mode " << c.mode << " tone " << c.hz << ": " << r.hz << " Hz";
    }
}

// Segments are 490 frames (90 a second). A tone with a whole number of
// cycles in the jump at each splice comes through at exactly its pitch:
// 450 Hz for jumps of whole segments (200 %, 300 %), 540 Hz for half
// segments (50 %). Any other tone's line moves by up to half the segment
// rate (45 Hz), as splicing without phase alignment does.
TEST(SpeedPitch, ConstantPitchChangesLengthOnly) {
    const double n = 2 * kRate;
    MeasureModes({
        {200, kSpeedPitchConstantPitch, 450, n / 2.0, 1.0, 1.0},
        {300, kSpeedPitchConstantPitch, 450, n / 3.0, 1.0, 1.0},
        {50, kSpeedPitchConstantPitch, 540, n / 0.5, 1.0, 1.0},
        {100, kSpeedPitchConstantPitch, kTone, n, 1.0, 0.5},
        {200, kSpeedPitchConstantPitch, kTone, n / 2.0, 1.0, 45},
        {50, kSpeedPitchConstantPitch, kTone, n / 0.5, 1.0, 45},
        {137, kSpeedPitchConstantPitch, kTone, n / 1.37, 1.0, 45},
    });
}

TEST(SpeedPitch, ResamplingModesChangePitch) {
    const double n = 2 * kRate;
    MeasureModes({
        {200, kSpeedPitchSimple, kTone, n / 2, 2.0, 2.0},
        {50, kSpeedPitchSimple, kTone, n * 2, 0.5, 1.0},
        {150, kSpeedPitchSimple, kTone, n / 1.5, 1.5, 1.5},
        {200, kSpeedPitchConstantSpeed, 450, n, 2.0, 2.0},
        {50, kSpeedPitchConstantSpeed, 360, n, 0.5, 1.0},
        {200, kSpeedPitchConstantSpeed, kTone, n, 2.0, 45},
        {150, kSpeedPitchConstantSpeed, kTone, n, 1.5, 45},
    });
}

TEST(SpeedPitch, FactorsBelowTenPercentActAsTen) {
    struct Case {
        int32_t percent;
        double factor;
    } cases[] = {{-50, 0.1}, {0, 0.1}, {9, 0.1}, {10, 0.1}, {11, 0.11}, {100, 1.0}, {300, 3.0}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(SpeedPitchFactor(c.percent), c.factor) << c.percent;
    // 0 % stretches a short input ten times rather than hanging on a zero hop.
    Result r = RunMode(0, kSpeedPitchConstantPitch, kRate / 10);
    EXPECT_EQ(r.code, 0);
    EXPECT_NEAR(r.frames, kRate, kSegFrames);
}

TEST(SpeedPitch, SelectionEndFollowsTheNewLength) {
    struct Case {
        int32_t start, frames, rate, end;
    } cases[] = {
        {1000, 22050, 44100, 1500},   {1000, 44101, 44100, 2000},  // truncated to the millisecond
        {0, 0, 44100, 0},             {250, 7999, 8000, 1249},
        {5000, 2000000000, 48000, 5000 + 41666666}, {100, 5, 0, 100},  // no usable rate
    };
    for (const Case& c : cases) EXPECT_EQ(SpeedPitchSelectionEnd(c.start, c.frames, c.rate), c.end) << c.frames;

    // And through the operation: 2 s at 200 % ends about 1 s after the start
    // (within a segment, 11 ms).
    Result r = RunMode(200, kSpeedPitchConstantPitch, 2 * kRate);
    ASSERT_EQ(r.code, 0);
    EXPECT_NEAR(SpeedPitchSelectionEnd(3000, r.frames, kRate), 4000, 12);
    EXPECT_EQ(SpeedPitchSelectionEnd(3000, r.frames, kRate), 3000 + r.frames * 1000 / kRate);
}

TEST(SpeedPitch, ResamplingSourceKeepsTheInputsRate) {
    auto in = MakeSource<VectorSource>(Sine(1000, 2, kRate, kTone, 1000), kRate, 2);
    LSRCResample r(in, 2.0);
    EXPECT_EQ(r.nSampleRate, kRate);
    EXPECT_EQ(r.nChans, 2);
    EXPECT_FALSE(r.HasError());
    EXPECT_EQ(LSRCResample::ConvertedRate(44100, 2.0), 22050);
    EXPECT_EQ(LSRCResample::ConvertedRate(44100, 0.1), 441000);
    EXPECT_EQ(LSRCResample::ConvertedRate(44100, 3.0), 14700);
    for (double bad : {0.0, -1.0, 1e-9, 1e12}) {
        EXPECT_EQ(LSRCResample::ConvertedRate(44100, bad), 0) << bad;
        EXPECT_TRUE(LSRCResample(in, bad).HasError()) << bad;
    }
}

TEST(SpeedPitch, CancelDiscardsAndReportsOne) {
    auto in = MakeSource<VectorSource>(Sine(10 * kRate, 2, kRate, kTone, 1000), kRate, 2);
    std::vector<int32_t> out;
    test::CancelAfter progress(3);
    EXPECT_EQ(RunSpeedPitch(&progress, in, MakeSink<VectorSink>(&out, kRate, 2), 150, kSpeedPitchConstantPitch), 1);
    EXPECT_LE(out.size(), size_t(3 * 8192 * 2));
}

}  // namespace
}  // namespace sondrel
