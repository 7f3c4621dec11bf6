// WAVE files beyond 8- and 16-bit PCM: 24- and 32-bit integer, 32- and
// 64-bit floating point, extensible headers and more than two channels.
// sox makes the files and is the oracle for their samples: ours are within
// one and a half 16-bit steps of sox's exact value (a step of triangular
// dither, then rounding), mixed down as sox's remix does with the same
// weights.
#include <gtest/gtest.h>

#include <cmath>

#include "formats/CodecPeerUtil.h"
#include "WaveBytes.h"
#include "formats/LOpenReport.h"
#include "formats/LWaveFile.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::vector<int32_t> OpenAndRead(const std::string& path, LOpenReport& report) {
    ResetOpenReport(path);
    LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
    EXPECT_FALSE(src->HasError()) << path;
    std::vector<int32_t> all = Drain(*src);
    report = OpenReport();
    return all;
}

}  // namespace

TEST(WideWave, SoxFilesOpenWithinOneAndAHalfStepsOfSoxsSamples) {
    if (!HavePeer("sox")) GTEST_SKIP() << "sox not installed";
    struct Case {
        const char* name;
        const char* format;  // sox output options
        int chans;
        uint32_t bits;
        bool isFloat;
        const char* remix;  // sox's mixdown with our weights ("" for mono and stereo)
    };
    // Lo = (L + .7071 C + .7071 S) / (1 + .7071 + .7071): the weights of the
    // downmix (ITU-R BS.775), scaled to sum to 1.
    const Case cases[] = {
        {"s24", "-b 24 -e signed", 2, 24, false, ""},
        {"s32", "-b 32 -e signed", 1, 32, false, ""},
        {"f32", "-b 32 -e floating-point", 2, 32, true, ""},
        {"f64", "-b 64 -e floating-point", 1, 64, true, ""},
        {"s16x3", "-b 16 -e signed", 3, 16, false, "remix -m 1v0.585786,3v0.414214 2v0.585786,3v0.414214"},
        {"s24x6", "-b 24 -e signed", 6, 24, false,
         "remix -m 1v0.414214,3v0.292893,5v0.292893 2v0.414214,3v0.292893,6v0.292893"},
    };
    std::string dir = ScratchDir("widewave");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = JoinPath(dir, std::string(c.name) + ".wav");
        std::string synth = "sox -R -n -r 44100 " + std::string(c.format) + " -c " + std::to_string(c.chans) + " " +
                            Q(file) + " synth 0.6 sine 440 sine 1250 pinknoise sine 60 whitenoise sine 3000 gain -2";
        ASSERT_EQ(RunCommand(synth + " 2>/dev/null"), 0) << synth;
        std::vector<double> exact = SoxExact(file, c.remix);
        ASSERT_FALSE(exact.empty());
        LOpenReport report;
        std::vector<int32_t> ours = OpenAndRead(file, report);
        ASSERT_EQ(ours.size(), exact.size());
        EXPECT_LT(MaxDistance(ours, exact), 1.5);
        EXPECT_EQ(report.format.nBits, c.bits);
        EXPECT_EQ(report.format.bFloat, c.isFloat);
        EXPECT_EQ(report.format.nChans, uint32_t(c.chans));
        EXPECT_EQ(report.nMixedFrom, c.chans > 2 ? uint32_t(c.chans) : 0u);
        EXPECT_EQ(report.nClipped, 0);
        // A second open gives the same samples: the dither is the file's own.
        LOpenReport again;
        EXPECT_EQ(OpenAndRead(file, again), ours);
        // So does a read after a seek into the middle.
        LSoundSourcePtr src = LWaveFile::OpenSource(file.c_str());
        uint32_t ch = src->nChans;
        src->Seek(10000);
        std::vector<int32_t> part(size_t(5000) * ch);
        src->Read(part.data(), 5000);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), ours.begin() + 10000 * ch));
    }
}

TEST(WideWave, FloatOversAreClippedAndCountedOncePerOpen) {
    // Three samples past full scale, one at it.
    Bytes data;
    for (float f : {0.5f, 1.25f, -3.0f, 1.0f, 2.0f, -0.25f}) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        Add32(data, u);
    }
    std::string path = JoinPath(ScratchDir("wideover"), "over.wav");
    ASSERT_TRUE(WriteBytes(path, Riff({Chunk("fmt ", FmtPayload(3, 1, 8000, 32, 18)), Chunk("data", data)})));
    LOpenReport report;
    std::vector<int32_t> s = OpenAndRead(path, report);
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ(report.nClipped, 3);
    EXPECT_EQ(s[1], 32767 * 16);
    EXPECT_EQ(s[2], -32768 * 16);
    EXPECT_EQ(s[4], 32767 * 16);
}

TEST(WideWave, ExtensibleHeadersNameTheFormatAndSpeakers) {
    // WAVE_FORMAT_EXTENSIBLE: 16-bit stereo PCM goes to the plain reader, and
    // a 3-channel file with a mask of L R LFE mixes the LFE out.
    auto extensible = [](uint32_t chans, uint32_t bits, uint32_t mask, uint16_t subTag) {
        Bytes f = FmtPayload(0xFFFE, chans, 8000, bits, 40);
        f[16] = 22;             // extra bytes
        f[18] = uint8_t(bits);  // valid bits
        for (int i = 0; i < 4; ++i) f[20 + i] = uint8_t(mask >> (8 * i));
        f[24] = uint8_t(subTag);
        f[25] = uint8_t(subTag >> 8);
        const uint8_t guid[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        std::memcpy(f.data() + 26, guid, 14);
        return f;
    };
    std::string dir = ScratchDir("wideext");
    Bytes stereo;
    for (int16_t v : {1000, -1000, 2000, -2000}) Add16(stereo, uint16_t(v));
    std::string a = JoinPath(dir, "s16.wav");
    ASSERT_TRUE(WriteBytes(a, Riff({Chunk("fmt ", extensible(2, 16, 3, 1)), Chunk("data", stereo)})));
    LOpenReport report;
    EXPECT_EQ(OpenAndRead(a, report), (std::vector<int32_t>{16000, -16000, 32000, -32000}));

    Bytes three;
    for (int16_t v : {0, 0, 30000, 0, 0, -30000}) Add16(three, uint16_t(v));
    std::string b = JoinPath(dir, "lfe.wav");
    ASSERT_TRUE(WriteBytes(b, Riff({Chunk("fmt ", extensible(3, 16, 0x1 | 0x2 | 0x8, 1)), Chunk("data", three)})));
    std::vector<int32_t> mixed = OpenAndRead(b, report);
    ASSERT_EQ(mixed.size(), 4u);
    EXPECT_EQ(report.nMixedFrom, 3u);
    for (int32_t s : mixed) EXPECT_EQ(s, 0);  // only the LFE channel had sound: exact silence
}
