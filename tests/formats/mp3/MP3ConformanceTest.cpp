// Files made by lame from test signals, decoded by us and by mpg123: after
// conversion to 16 bits the two agree sample for sample within 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <set>

#include "formats/mp3/LMP3Source.h"
#include "formats/mp3/MP3FrameDecoder.h"
#include "formats/mp3/MP3TestUtil.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

struct MatrixCase {
    const char* name;
    int32_t rate;
    int32_t chans;
    Signal signal;
    const char* lame;
    // What the stream must contain for the case to test what it says.
    int32_t version;
    int32_t mode;  // -1: any
    bool needMidSide;
    bool needShort;
    bool needCrc;
    bool needVbr;
    bool infoFrame;   // lame's tag frame present (mpg123 does not output it)
    size_t id3Bytes;  // ID3v2 tag put before the first frame
};

// What a stream holds, frame by frame.
struct StreamFacts {
    int32_t frames = 0;
    std::set<int32_t> versions, modes, bitrates;
    int32_t midSideFrames = 0, shortGranules = 0, crcFrames = 0;
};

StreamFacts Scan(const std::string& path, size_t skip) {
    StreamFacts f;
    MP3InputFile in;
    if (!in.Open(path.c_str())) return f;
    in.Seek(int64_t(skip));
    MP3Header h;
    int64_t where = 0;
    while (h.ReadHeader(in, &where)) {
        std::vector<uint8_t> side(size_t(h.SideInfoSize()));
        if (in.Read(side.data(), uint32_t(side.size())) < side.size()) break;
        MP3SideInfo si;
        ParseSideInfo(h, side.data(), si);
        ++f.frames;
        f.versions.insert(h.version);
        f.modes.insert(h.mode);
        f.bitrates.insert(h.bitrate);
        if (h.mode == 1 && (h.mode_extension & 2)) ++f.midSideFrames;
        if (h.protection == 0) ++f.crcFrames;
        for (int32_t gr = 0; gr < h.Granules(); ++gr)
            for (int32_t ch = 0; ch < h.Channels(); ++ch)
                if (si.gr[gr][ch].window_switching && si.gr[gr][ch].block_type == 2) ++f.shortGranules;
        in.Seek(where + h.FrameLength());
    }
    return f;
}

const MatrixCase kCases[] = {
    // name              rate   ch  signal               lame options    ver mode  M/S    short  crc    vbr    info   id3
    {"mpeg1_44k_joint",  44100, 2, Signal::kMix,        "-t -b 128",     0,  1,    true,  false, false, false, false, 0},
    {"mpeg1_48k_stereo", 48000, 2, Signal::kSweep,      "-t -m s -b 192", 0, 0,    false, false, false, false, false, 0},
    {"mpeg1_32k_mono",   32000, 1, Signal::kNoise,      "-t -b 64",      0,  3,    false, false, false, false, false, 0},
    {"mpeg1_44k_dual",   44100, 2, Signal::kTone,       "-t -m d -b 160", 0, 2,    false, false, false, false, false, 0},
    {"mpeg1_48k_forced_ms", 48000, 2, Signal::kNoise,   "-t -m f -b 128", 0, 1,    true,  false, false, false, false, 0},
    {"mpeg1_44k_vbr",    44100, 2, Signal::kMix,        "-V 2",          0,  -1,   false, false, false, true,  true,  0},
    {"mpeg1_44k_crc",    44100, 2, Signal::kSweep,      "-t -p -b 128",  0,  -1,   false, false, true,  false, false, 0},
    {"mpeg1_44k_short",  44100, 2, Signal::kTransients, "-t -b 128",     0,  -1,   false, true,  false, false, false, 0},
    {"mpeg1_32k_short_mono", 32000, 1, Signal::kTransients, "-t -b 96",  0,  3,    false, true,  false, false, false, 0},
    {"mpeg1_44k_id3",    44100, 2, Signal::kTone,       "-t -b 128",     0,  -1,   false, false, false, false, false, 1000},
    {"mpeg2_22k_joint",  22050, 2, Signal::kMix,        "-t -b 64",      1,  1,    true,  false, false, false, false, 0},
    {"mpeg2_24k_mono",   24000, 1, Signal::kSweep,      "-t -b 48",      1,  3,    false, false, false, false, false, 0},
    {"mpeg2_16k_short",  16000, 2, Signal::kTransients, "-t -m s -b 48", 1,  0,    false, true,  false, false, false, 0},
    {"mpeg2_22k_vbr",    22050, 2, Signal::kNoise,      "-t -V 4",       1,  -1,   false, false, false, true,  false, 0},
    {"mpeg2_24k_crc_dual", 24000, 2, Signal::kTone,     "-t -p -m d -b 64", 1, 2,  false, false, true,  false, false, 0},
    {"mpeg25_8k_mono_short", 8000, 1, Signal::kTransients, "-t -b 16",   2,  3,    false, true,  false, false, false, 0},
    {"mpeg25_8k_joint",  8000,  2, Signal::kMix,        "-t -b 24",      2,  1,    true,  false, false, false, false, 0},
    {"mpeg25_11k_dual",  11025, 2, Signal::kTone,       "-t -m d -b 32", 2,  2,    false, false, false, false, false, 0},
    {"mpeg25_12k_vbr",   12000, 2, Signal::kSweep,      "-t -V 5",       2,  -1,   false, false, false, true,  false, 0},
    {"mpeg25_11k_short", 11025, 2, Signal::kTransients, "-t -b 32",      2,  -1,   false, true,  false, false, false, 0},
};

void PrintTo(const MatrixCase& c, std::ostream* os) { *os << c.name; }

class MP3Conformance : public ::testing::TestWithParam<MatrixCase> {};

TEST_P(MP3Conformance, AgreesWithMpg123) {
    if (!HavePeer("lame") || !HavePeer("mpg123")) GTEST_SKIP() << "lame and mpg123 are needed";
    const MatrixCase& c = GetParam();
    const std::string dir = ScratchDir(std::string("conf-") + c.name);
    const std::string wav = dir + "/in.wav";
    const std::string mp3 = dir + "/out.mp3";
    ASSERT_TRUE(WriteWav16(wav, MakeSignal(c.signal, c.rate, c.chans, 1.5, 7), c.rate, c.chans));
    ASSERT_TRUE(LameEncode(wav, mp3, c.lame));
    if (c.id3Bytes) {
        // ID3v2.3 header with a syncsafe size, then padding.
        std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, 0};
        const size_t body = c.id3Bytes - 10;
        tag.push_back(uint8_t((body >> 21) & 0x7F));
        tag.push_back(uint8_t((body >> 14) & 0x7F));
        tag.push_back(uint8_t((body >> 7) & 0x7F));
        tag.push_back(uint8_t(body & 0x7F));
        tag.resize(c.id3Bytes, 0);
        std::vector<uint8_t> bytes = ReadBytes(mp3);
        bytes.insert(bytes.begin(), tag.begin(), tag.end());
        ASSERT_TRUE(WriteBytes(mp3, bytes));
    }

    // The fixture holds what the case claims to test.
    StreamFacts facts = Scan(mp3, c.id3Bytes);
    ASSERT_GT(facts.frames, 10);
    EXPECT_EQ(facts.versions, std::set<int32_t>{c.version});
    if (c.mode >= 0) {
        EXPECT_EQ(facts.modes, std::set<int32_t>{c.mode});
    }
    if (c.needMidSide) {
        EXPECT_GT(facts.midSideFrames, 0);
    }
    if (c.needShort) {
        EXPECT_GT(facts.shortGranules, 0);
    }
    if (c.needCrc) {
        EXPECT_EQ(facts.crcFrames, facts.frames);
    }
    if (c.needVbr) {
        EXPECT_GT(facts.bitrates.size(), 2u);
    }

    int32_t chans = 0, rate = 0;
    std::vector<int16_t> ours = Rounded16(DecodeFile(mp3, &chans, &rate));
    std::vector<int16_t> ref = Mpg123Decode(mp3);
    ASSERT_EQ(chans, c.chans);
    ASSERT_EQ(rate, c.rate);
    ASSERT_FALSE(ref.empty());
    // lame's tag frame decodes to one frame of silence here; mpg123 skips it.
    const size_t skip = c.infoFrame ? size_t(c.version == 0 ? 1152 : 576) * chans : 0;
    EXPECT_EQ(ours.size(), ref.size() + skip);
    for (size_t i = 0; i < skip && i < ours.size(); ++i) ASSERT_EQ(ours[i], 0);
    Agreement a = Compare(ours, ref, skip);
    std::printf("%-24s %6zu samples  max diff %d  SNR %.1f dB\n", c.name, a.compared, a.maxDiff, a.snrDb);
    EXPECT_EQ(a.compared, ref.size());
    EXPECT_LE(a.maxDiff, 1);
}

INSTANTIATE_TEST_SUITE_P(Matrix, MP3Conformance, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MatrixCase>& info) { return std::string(info.param.name); });

}  // namespace
