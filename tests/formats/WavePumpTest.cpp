// A WAV file pumped into a new WAV file of another format: the file reader,
// the pump's channel and rate adaptation, its peak limiter and the file
// writer together.
#include <gtest/gtest.h>

#include <algorithm>

#include "WaveBytes.h"
#include "core/LPump.h"
#include "formats/LWaveFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// A stereo 16-bit file: a full-scale square wave of period 100 frames on the
// left, a quieter ramp on the right.
std::string MakeStereoSquare(const std::string& dir, int32_t rate, int32_t frames) {
    std::vector<int16_t> s;
    for (int32_t i = 0; i < frames; ++i) {
        s.push_back((i / 50) % 2 ? int16_t(-32768) : int16_t(32767));
        s.push_back(int16_t((i % 1000) * 20 - 10000));
    }
    return WriteBytes(dir, "square.wav", Wave16(2, rate, s));
}

int Pump(const std::string& from, const std::string& to, int32_t rate, uint32_t chans, int32_t bits) {
    LNullProgress progress;
    LPRSourceToSink record{"Converting...", LWaveFile::OpenSource(from.c_str()),
                           LWaveFile::OpenSinkPCM(to.c_str(), rate, 0, bits, chans)};
    return Process(&progress, record);
}

}  // namespace

TEST(WavePump, StereoToMonoKeepsTheLeftChannel) {
    std::string dir = ScratchDir("pump-mono");
    std::string in = MakeStereoSquare(dir, 44100, 20000);
    std::string out = JoinPath(dir, "mono.wav");
    ASSERT_EQ(Pump(in, out, 44100, 1, 16), kProcessDone);

    LSoundSourcePtr a = LWaveFile::OpenSource(in.c_str());
    LSoundSourcePtr b = LWaveFile::OpenSource(out.c_str());
    ASSERT_FALSE(b->HasError());
    EXPECT_EQ(b->nChans, 1);
    EXPECT_EQ(b->nSampleRate, 44100);
    std::vector<int32_t> left, all = ReadAll(*a);
    for (size_t k = 0; k < all.size(); k += 2) left.push_back(all[k]);
    EXPECT_EQ(ReadAll(*b), left);
    // The header was finished when the pump's record released the sink.
    EXPECT_EQ(Get32(ReadBytes(out), 42), 2u * 20000u);
}

TEST(WavePump, EightBitFileIntoSixteenBits) {
    std::string dir = ScratchDir("pump-8");
    Bytes b = Riff({Chunk("fmt ", FmtPayload(1, 1, 8000, 8)), Chunk("data", {0, 1, 127, 128, 129, 255})});
    std::string in = WriteBytes(dir, "in8.wav", b);
    std::string out = JoinPath(dir, "out16.wav");
    ASSERT_EQ(Pump(in, out, 8000, 1, 16), kProcessDone);
    Bytes written = ReadBytes(out);
    ASSERT_EQ(written.size(), 46u + 12u);
    EXPECT_EQ(Bytes(written.begin() + 46, written.end()), Pcm16({-32768, -32512, -256, 0, 256, 32512}));
}

// 44100 -> 22050 Hz has P = 1, nStep = 2 in the resampler, so L input frames
// give (L / 2) * 1 + ((L % 2) * 1) / 2 output frames; and a full-scale square
// overshoots in the resampler, so the pump's limiter must keep every sample
// from wrapping.
TEST(WavePump, RateAndChannelChangeWithPeaksLimited) {
    std::string dir = ScratchDir("pump-rate");
    const int32_t frames = 44101;
    std::string in = MakeStereoSquare(dir, 44100, frames);
    std::string out = JoinPath(dir, "mono22050.wav");
    ASSERT_EQ(Pump(in, out, 22050, 1, 16), kProcessDone);

    Bytes b = ReadBytes(out);
    const int32_t expected = (frames / 2) * 1 + ((frames % 2) * 1) / 2;  // 22050
    ASSERT_EQ(b.size(), 46u + 2u * uint32_t(expected));
    EXPECT_EQ(Get32(b, 24), 22050u);
    EXPECT_EQ(Get16(b, 22), 1u);
    EXPECT_EQ(Get32(b, 42), 2u * uint32_t(expected));

    // Output frame k is centred on input frame 2k. Away from the square's
    // edges it has the input's sign and most of its size; a wrapped overshoot
    // would show as a large sample of the wrong sign.
    int plateau = 0, strong = 0;
    for (int32_t k = 0; k < expected; ++k) {
        int32_t i = 2 * k;
        bool positive = (i / 50) % 2 == 0;
        int16_t v = int16_t(Get16(b, 46 + 2 * size_t(k)));
        if (positive ? v < -16384 : v > 16384) ADD_FAILURE() << "frame " << k << " reads " << v;
        int32_t fromEdge = std::min(i % 50, 50 - i % 50);
        if (fromEdge >= 8 && k >= 40) {
            ++plateau;
            if (positive ? v > 24000 : v < -24000) ++strong;
        }
    }
    EXPECT_GT(plateau, expected / 2);
    EXPECT_EQ(strong, plateau);
}
