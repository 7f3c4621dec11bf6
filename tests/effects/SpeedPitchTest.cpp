// The three speed and pitch modes, measured: output length, the tone's
// frequency before and after, and the selection end the operation reports.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DynTestUtil.h"
#include "effects/LSpeedPitch.h"
#include "support/TestUtil.h"
#include "support/ToneMeasure.h"

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
    // Measure the middle, away from the ends: at most 16384 frames.
    const int32_t mid = r.frames / 2, half = std::min(r.frames * 3 / 8, 8192);
    r.hz = test::StrongestFrequency(Channel(out, 2, 0, size_t(mid - half), size_t(mid + half)), kRate);
    return r;
}

struct ModeCase {
    int32_t percent, mode;
    double hz;          // test tone
    double length;      // expected output frames
    double pitchRatio;  // expected frequency ratio
    double tolerance;   // of the frequency, relative
};

void MeasureModes(const std::vector<ModeCase>& cases, int32_t n) {
    for (const ModeCase& c : cases) {
        Result r = RunMode(c.percent, c.mode, n, c.hz);
        ASSERT_EQ(r.code, 0);
        // The length divided by the factor, to less than a segment (the
        // converter's own rounding of the rate adds a frame or two).
        EXPECT_GE(r.frames, c.length - 4) << c.percent << "% mode " << c.mode;
        EXPECT_LT(r.frames, c.length + kSegFrames + 4) << c.percent << "% mode " << c.mode;
        const double want = c.hz * c.pitchRatio;
        EXPECT_NEAR(r.hz, want, want * c.tolerance)
            << c.percent << "% mode " << c.mode << " tone " << c.hz << ": " << r.hz << " Hz";
    }
}

// Tones from below the segment rate (60 Hz: a period longer than the
// 490-frame segment) up to 4 kHz.
constexpr double kTones[] = {60, 100, 440, 1000, 4000};

// Every splice starts where the incoming stream best matches the outgoing
// one, so a steady tone keeps its pitch at any speed (to a tenth of a
// percent; it is within a few hundredths). The length is the input's
// divided by the factor in whole segments: the stream ends after the
// segment from which the next would start at or past the input's end.
TEST(SpeedPitch, ConstantPitchChangesLengthOnly) {
    const int32_t n = kRate;
    for (int32_t percent : {50, 75, 100, 137, 150, 200, 300}) {
        const int32_t hopFrames = int32_t(2 * kSegFrames * SpeedPitchFactor(percent)) / 2;
        const int32_t frames = (n + hopFrames - 1) / hopFrames * kSegFrames;
        std::vector<ModeCase> cases;
        for (double hz : kTones) cases.push_back({percent, kSpeedPitchConstantPitch, hz, double(frames), 1.0, 0.001});
        MeasureModes(cases, n);
        EXPECT_EQ(RunMode(percent, kSpeedPitchConstantPitch, n).frames, frames) << percent << "%";
    }
}

TEST(SpeedPitch, ResamplingModesChangePitch) {
    const double n = 2 * kRate;
    MeasureModes({
        {200, kSpeedPitchSimple, kTone, n / 2, 2.0, 0.001},
        {50, kSpeedPitchSimple, kTone, n * 2, 0.5, 0.001},
        {150, kSpeedPitchSimple, kTone, n / 1.5, 1.5, 0.001},
    }, int32_t(n));
    // The pitch change: resampling, then the inverse stretch at the same
    // aligned splices.
    std::vector<ModeCase> cases;
    for (int32_t percent : {50, 150, 200})
        for (double hz : kTones) cases.push_back({percent, kSpeedPitchConstantSpeed, hz, n, percent / 100.0, 0.001});
    MeasureModes(cases, int32_t(n));
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
