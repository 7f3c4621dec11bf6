// Samples wider than 16 bits, floating point and more than two channels
// brought to the engine's format: exact where nothing is dropped, within one
// and a half steps of the exact value (triangular dither of one step, then
// rounding) with dither that is the same on every read,
// overs clipped and counted, channels mixed down by speaker position.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "formats/LOpenReport.h"
#include "formats/LSampleNarrow.h"

using namespace sondrel;

namespace {

std::vector<int32_t> NarrowInts(LSampleNarrow& n, const std::vector<int32_t>& interleaved, uint32_t bits,
                                int64_t frame = 0) {
    uint32_t chans = n.InChans();
    int32_t frames = int32_t(interleaved.size() / chans);
    std::vector<const int32_t*> planes(chans);
    for (uint32_t c = 0; c < chans; ++c) planes[c] = interleaved.data() + c;
    std::vector<int32_t> out(size_t(frames) * n.OutChans());
    n.FromInt(planes.data(), chans, frames, bits, frame, out.data());
    return out;
}

std::vector<int32_t> NarrowFloats(LSampleNarrow& n, const std::vector<float>& interleaved) {
    uint32_t chans = n.InChans();
    int32_t frames = int32_t(interleaved.size() / chans);
    std::vector<const float*> planes(chans);
    for (uint32_t c = 0; c < chans; ++c) planes[c] = interleaved.data() + c;
    std::vector<int32_t> out(size_t(frames) * n.OutChans());
    n.FromFloat(planes.data(), chans, frames, 0, out.data());
    return out;
}

}  // namespace

TEST(SampleNarrow, SixteenBitsAndNarrowerAreExact) {
    LSampleNarrow n(2, WaveSpeakers(2, 0), 7);
    std::vector<int32_t> in = {-32768, 32767, 0, -1, 1234, -4321};
    std::vector<int32_t> want = {-32768 * 16, 32767 * 16, 0, -16, 1234 * 16, -4321 * 16};
    EXPECT_EQ(NarrowInts(n, in, 16), want);
    // 8-bit samples take the top byte of 16 bits.
    LSampleNarrow m(1, WaveSpeakers(1, 0), 7);
    EXPECT_EQ(NarrowInts(m, {-128, 127, 1}, 8), (std::vector<int32_t>{-524288, 127 * 4096, 4096}));
}

TEST(SampleNarrow, WideSamplesAreDitheredWithinOneAndAHalfStepsAndTheSameOnEveryRead) {
    struct Case {
        uint32_t bits;
        int64_t scale;  // file steps per 16-bit step
    };
    for (Case c : {Case{24, 256}, Case{32, 65536}, Case{20, 16}}) {
        SCOPED_TRACE(c.bits);
        std::vector<int32_t> in;
        int64_t top = (int64_t(1) << (c.bits - 1)) - 1;
        for (int i = 0; i < 4000; ++i) in.push_back(int32_t((int64_t(i) * 7919 * c.scale / 3 + i) % top - top / 2));
        in.push_back(int32_t(top));
        in.push_back(int32_t(-top - 1));
        LSampleNarrow a(1, WaveSpeakers(1, 0), 99);
        std::vector<int32_t> out = NarrowInts(a, in, c.bits);
        double sum = 0;
        int same = 0;
        for (size_t i = 0; i < in.size(); ++i) {
            double exact = double(in[i]) / double(c.scale);
            double got = out[i] / 16.0;
            EXPECT_LT(std::fabs(got - exact), 1.5) << i;
            EXPECT_EQ(out[i] % 16, 0);
            sum += got - exact;
            same += got == std::floor(exact + 0.5);
        }
        EXPECT_LT(std::fabs(sum / double(in.size())), 0.05);  // no bias
        EXPECT_LT(same, int(in.size()));                       // noise, not plain rounding
        EXPECT_EQ(out.back(), -32768 * 16);                    // full scale stays in range
        // The same file frames give the same samples, read in pieces or whole.
        LSampleNarrow b(1, WaveSpeakers(1, 0), 99);
        std::vector<int32_t> first(in.begin(), in.begin() + 1000), rest(in.begin() + 1000, in.end());
        std::vector<int32_t> again = NarrowInts(b, rest, c.bits, 1000);
        std::vector<int32_t> head = NarrowInts(b, first, c.bits, 0);
        head.insert(head.end(), again.begin(), again.end());
        EXPECT_EQ(head, out);
    }
}

TEST(SampleNarrow, FloatOversAreClippedAndCounted) {
    LSampleNarrow n(2, WaveSpeakers(2, 0), 1);
    std::vector<float> in = {0.5f, -0.5f, 1.5f, -2.0f, 1.0f, -1.0f, NAN, INFINITY, 0.25f, 1.0001f};
    std::vector<int32_t> out = NarrowFloats(n, in);
    EXPECT_EQ(n.nClipped, 4);  // 1.5, -2, +inf, 1.0001; exactly 1.0 is full scale
    EXPECT_NEAR(out[0] / 16.0, 16384, 1);
    EXPECT_NEAR(out[1] / 16.0, -16384, 1);
    EXPECT_EQ(out[2], 32767 * 16);
    EXPECT_EQ(out[3], -32768 * 16);
    EXPECT_EQ(out[4], 32767 * 16);
    EXPECT_GE(out[5], -32768 * 16);
    EXPECT_LE(std::abs(out[6]), 16);  // NaN reads as silence
    EXPECT_EQ(out[7], 32767 * 16);
}

TEST(SampleNarrow, MoreThanTwoChannelsMixDownBySpeaker) {
    // 5.1 in WAVE order: L R C LFE Ls Rs. Lo = (L + .7071 C + .7071 Ls) / 2.4142.
    LSampleNarrow n(6, WaveSpeakers(6, 0), 3);
    ASSERT_EQ(n.OutChans(), 2u);
    const double g = std::sqrt(0.5), norm = 1 + 2 * g;
    struct Case {
        int chan;
        double left, right;
    };
    for (Case c : {Case{0, 1 / norm, 0}, Case{1, 0, 1 / norm}, Case{2, g / norm, g / norm}, Case{3, 0, 0},
                   Case{4, g / norm, 0}, Case{5, 0, g / norm}}) {
        SCOPED_TRACE(c.chan);
        std::vector<int32_t> in(6 * 64, 0);
        for (int i = 0; i < 64; ++i) in[size_t(i) * 6 + size_t(c.chan)] = 20000;
        std::vector<int32_t> out = NarrowInts(n, in, 16);
        for (int i = 0; i < 64; ++i) {
            EXPECT_NEAR(out[size_t(i) * 2] / 16.0, 20000 * c.left, 1.5);
            EXPECT_NEAR(out[size_t(i) * 2 + 1] / 16.0, 20000 * c.right, 1.5);
        }
    }
    // All channels at full scale: no output passes it.
    std::vector<int32_t> loud(6 * 16, 32767);
    for (int32_t s : NarrowInts(n, loud, 16)) EXPECT_LE(s, 32767 * 16);
    EXPECT_EQ(n.nClipped, 0);
}

TEST(SampleNarrow, SpeakerLayouts) {
    // A mask names the speakers from its lowest bit; Vorbis orders L C R.
    EXPECT_EQ(WaveSpeakers(3, kSpeakerFL | kSpeakerFR | kSpeakerLFE),
              (std::vector<uint32_t>{kSpeakerFL, kSpeakerFR, kSpeakerLFE}));
    EXPECT_EQ(WaveSpeakers(3, 0), (std::vector<uint32_t>{kSpeakerFL, kSpeakerFR, kSpeakerFC}));
    EXPECT_EQ(WaveSpeakers(3, kSpeakerFC), (std::vector<uint32_t>{kSpeakerFC, 0, 0}));
    EXPECT_EQ(VorbisSpeakers(3), (std::vector<uint32_t>{kSpeakerFL, kSpeakerFC, kSpeakerFR}));
    EXPECT_EQ(VorbisSpeakers(10), std::vector<uint32_t>(10, 0));
}

TEST(OpenReport, TellsWhatTheUserShouldKnow) {
    LOpenReport r;
    EXPECT_EQ(OpenReportText(r, "x.wav"), "");
    r.nMixedFrom = 6;
    r.nClipped = 12;
    r.bDamaged = true;
    EXPECT_EQ(OpenReportText(r, "x.wav"),
              "\"x.wav\" has 6 channels; they were mixed down to stereo.\n"
              "12 samples of \"x.wav\" lay past full scale and were clipped.\n"
              "\"x.wav\" is damaged or incomplete; it was opened as far as it could be read.");
    EXPECT_EQ(LossQuestion(LStoredFormat{16, false, 2}, "x.wav"), "");
    EXPECT_EQ(LossQuestion(LStoredFormat{24, false, 2}, "x.wav"),
              "\"x.wav\" holds 24-bit audio; saving over it keeps only 16-bit audio and the rest is lost. Save anyway?");
    EXPECT_EQ(LossQuestion(LStoredFormat{32, true, 6}, "x.wav"),
              "\"x.wav\" holds 32-bit floating-point, 6-channel audio; saving over it keeps only 16-bit stereo audio and "
              "the rest is lost. Save anyway?");
}

TEST(OpenReport, VorbisCommentsCarryOurTags) {
    LAudioTags t;
    for (const char* e : {"title=Song", "ARTIST=Band", "Album=Disc", "DESCRIPTION=desc", "COMMENT=note", "GENRE=x", "bad"})
        ReadVorbisComment(t, e, std::strlen(e));
    EXPECT_EQ(t, (LAudioTags{"Song", "Band", "Disc", "note"}));
    EXPECT_EQ(VorbisComments(t), (std::vector<std::string>{"TITLE=Song", "ARTIST=Band", "ALBUM=Disc", "COMMENT=note"}));
    EXPECT_TRUE(VorbisComments(LAudioTags()).empty());
}
