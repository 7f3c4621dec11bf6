// Hand-made streams: intensity stereo (which lame cannot write) checked
// against the same spectrum decoded as plain stereo, and streams that must
// not open.
#include <gtest/gtest.h>

#include <cmath>

#include "formats/mp3/LMP3Source.h"
#include "formats/mp3/MP3TestUtil.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// One spectral line (line 0, value +1 at global gain 210) in the left
// channel; the right channel carries only scale factors, so intensity
// stereo covers every band and scale-factor band 0 carries position `pos`.
// MPEG-1: 44100 Hz, 128 kbit/s; otherwise MPEG-2 22050 Hz, 64 kbit/s.
std::vector<uint8_t> IntensityFrame(bool mpeg1, int32_t mode, int32_t modeExt, int32_t pos, int32_t scale) {
    BitWriter w;
    const int32_t frameLength = mpeg1 ? 417 : 208;
    w.Put(0xFFF, 12);
    w.Put(mpeg1 ? 1 : 0, 1);  // ID
    w.Put(1, 2);              // Layer III
    w.Put(1, 1);              // no CRC
    w.Put(mpeg1 ? 9 : 8, 4);  // 128 / 64 kbit/s
    w.Put(0, 2);              // 44100 / 22050 Hz
    w.Put(0, 1);
    w.Put(0, 1);
    w.Put(uint32_t(mode), 2);
    w.Put(uint32_t(modeExt), 2);
    w.Put(0, 4);

    // Left: the pair (1, 0) of table 1 is "01", then the sign bit 0.
    // Right: 3-bit scale factors for the first bands, nothing else.
    const int32_t rightBands = mpeg1 ? 11 : 7;
    auto granule = [&](int32_t ch) {
        w.Put(ch == 0 ? 3 : uint32_t(3 * rightBands), 12);  // part2_3_length
        w.Put(ch == 0 ? 1 : 0, 9);                          // big_values
        w.Put(210, 8);                                      // global_gain
        if (mpeg1)
            w.Put(ch == 0 ? 0 : 4, 4);  // slen1 = 3, slen2 = 0
        else
            w.Put(ch == 0 ? 0 : uint32_t(108 << 1 | scale), 9);  // intensity table: slen (3, 0, 0, 0)
        w.Put(0, 1);                                             // no window switching
        w.Put(ch == 0 ? 1 : 0, 5);
        w.Put(0, 5);
        w.Put(0, 5);
        w.Put(0, 4);  // region0_count
        w.Put(0, 3);  // region1_count
        if (mpeg1) w.Put(0, 1);  // preflag
        w.Put(0, 1);             // scalefac_scale
        w.Put(0, 1);             // count1table_select
    };
    if (mpeg1) {
        w.Put(0, 9);
        w.Put(0, 3);
        w.Put(0, 8);
        for (int32_t gr = 0; gr < 2; ++gr) {
            granule(0);
            granule(1);
        }
    } else {
        w.Put(0, 8);
        w.Put(0, 2);
        granule(0);
        granule(1);
    }
    for (int32_t gr = 0; gr < (mpeg1 ? 2 : 1); ++gr) {
        w.Put(0b010, 3);
        for (int32_t b = 0; b < rightBands; ++b) w.Put(b == 0 ? uint32_t(pos) : 0, 3);
    }
    w.PadTo(size_t(frameLength));
    return w.Bytes();
}

std::vector<int32_t> DecodeFrames(const std::string& path, const std::vector<uint8_t>& frame, int32_t count) {
    std::vector<uint8_t> bytes;
    for (int32_t i = 0; i < count; ++i) bytes.insert(bytes.end(), frame.begin(), frame.end());
    if (!WriteBytes(path, bytes)) return {};
    LSoundSourcePtr src = OpenMP3Source(path.c_str());
    if (src->HasError() || src->nChans != 2) return {};
    return DecodeSource(*src);
}

// Checks left = kl * reference and right = kr * reference, sample by sample.
void ExpectScaled(const std::vector<int32_t>& out, const std::vector<int32_t>& ref, double kl, double kr) {
    ASSERT_EQ(out.size(), ref.size());
    double peak = 0.0;
    for (size_t i = 0; i < ref.size(); i += 2) {
        peak = std::max(peak, std::abs(double(ref[i])));
        ASSERT_NEAR(out[i], kl * ref[i], 2.0) << "left sample " << i / 2;
        ASSERT_NEAR(out[i + 1], kr * ref[i], 2.0) << "right sample " << i / 2;
    }
    ASSERT_GT(peak, 1000.0);  // the reference carries a real signal
}

}  // namespace

TEST(MP3Crafted, Mpeg1IntensityStereo) {
    const std::string dir = ScratchDir("is1");
    const double pi = 3.14159265358979323846;
    const std::vector<int32_t> ref = DecodeFrames(dir + "/ref.mp3", IntensityFrame(true, 0, 0, 0, 0), 6);
    ASSERT_FALSE(ref.empty());
    for (int32_t modeExt : {1, 3}) {
        for (int32_t pos = 0; pos <= 7; ++pos) {
            SCOPED_TRACE("mode_extension " + std::to_string(modeExt) + " position " + std::to_string(pos));
            double kl, kr;
            if (pos == 7) {  // not a position: plain stereo, or middle/side
                kl = modeExt == 3 ? std::sqrt(0.5) : 1.0;
                kr = modeExt == 3 ? std::sqrt(0.5) : 0.0;
            } else if (pos == 6) {
                kl = 1.0;
                kr = 0.0;
            } else {
                double r = std::tan(pos * pi / 12.0);
                kl = r / (1.0 + r);
                kr = 1.0 / (1.0 + r);
            }
            ExpectScaled(DecodeFrames(dir + "/is.mp3", IntensityFrame(true, 1, modeExt, pos, 0), 6), ref, kl, kr);
        }
    }
}

TEST(MP3Crafted, Mpeg2IntensityStereoWithBothScales) {
    const std::string dir = ScratchDir("is2");
    const std::vector<int32_t> ref = DecodeFrames(dir + "/ref.mp3", IntensityFrame(false, 0, 0, 0, 0), 8);
    ASSERT_FALSE(ref.empty());
    for (int32_t scale = 0; scale < 2; ++scale) {
        const double io = scale == 0 ? std::pow(2.0, -0.25) : std::sqrt(0.5);
        for (int32_t pos = 0; pos <= 7; ++pos) {
            SCOPED_TRACE("intensity scale " + std::to_string(scale) + " position " + std::to_string(pos));
            double kl = 1.0, kr = 1.0;
            if (pos == 7) {  // the largest value of a 3-bit factor is not a position
                kr = 0.0;
            } else if (pos & 1) {
                kl = std::pow(io, (pos + 1) / 2);
            } else {
                kr = std::pow(io, pos / 2);
            }
            ExpectScaled(DecodeFrames(dir + "/is.mp3", IntensityFrame(false, 1, 1, pos, scale), 8), ref, kl, kr);
        }
    }
}

TEST(MP3Crafted, StreamsThatDoNotOpen) {
    const std::string dir = ScratchDir("reject");
    auto frames = [](std::initializer_list<uint8_t> header, size_t length, int32_t count) {
        std::vector<uint8_t> b;
        for (int32_t i = 0; i < count; ++i) {
            b.insert(b.end(), header);
            b.resize(b.size() + length - 4, 0);
        }
        return b;
    };
    std::vector<uint8_t> junk(20000);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = uint8_t(i % 2 ? 0xFF : 0x00);
    std::vector<uint8_t> lateFrame = junk;
    const std::vector<uint8_t> good = frames({0xFF, 0xFB, 0x90, 0x44}, 417, 4);
    lateFrame.insert(lateFrame.end(), good.begin(), good.end());

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"free_format", frames({0xFF, 0xFB, 0x04, 0x44}, 400, 20)},
        {"layer2", frames({0xFF, 0xFD, 0x94, 0x44}, 418, 20)},
        {"layer1", frames({0xFF, 0xFF, 0x94, 0x44}, 416, 20)},
        {"reserved_version", frames({0xFF, 0xEB, 0x94, 0x44}, 418, 20)},
        {"no_sync", junk},
        // The first frame lies beyond the search limit and no tag says so.
        {"sync_too_late", lateFrame},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name + ".mp3";
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        LMP3Source direct(path.c_str());
        EXPECT_TRUE(direct.HasError());
        LSoundSourcePtr src = OpenMP3Source(path.c_str());
        EXPECT_TRUE(src->HasError());
        std::vector<int32_t> buf(1024 * 2, 7);
        src->Read(buf.data(), 1024);
        for (size_t i = 0; i < size_t(1024) * src->nChans; ++i) ASSERT_EQ(buf[i], 0);
    }
    EXPECT_TRUE(OpenMP3Source((dir + "/missing.mp3").c_str())->HasError());
}

// An ID3v2 tag is stepped over whatever its size (pictures make tags far
// larger than the header search would cover), and what it holds is never
// taken for frames.
TEST(MP3Crafted, LeadingTagIsSteppedOver) {
    const std::string dir = ScratchDir("tag");
    const std::vector<uint8_t> frame = IntensityFrame(true, 0, 0, 0, 0);
    std::vector<uint8_t> frames;
    for (int32_t i = 0; i < 6; ++i) frames.insert(frames.end(), frame.begin(), frame.end());
    ASSERT_TRUE(WriteBytes(dir + "/plain.mp3", frames));
    LSoundSourcePtr plain = OpenMP3Source((dir + "/plain.mp3").c_str());
    ASSERT_FALSE(plain->HasError());
    const std::vector<int32_t> expected = DecodeSource(*plain);

    for (size_t tagBytes : {size_t(1000), size_t(40000)}) {
        SCOPED_TRACE("tag of " + std::to_string(tagBytes) + " bytes");
        // The tag's body is full of headers of 48000 Hz frames.
        std::vector<uint8_t> bytes = {'I', 'D', '3', 4, 0, 0};
        const size_t body = tagBytes - 10;
        for (int32_t shift : {21, 14, 7, 0}) bytes.push_back(uint8_t((body >> shift) & 0x7F));
        while (bytes.size() < tagBytes) {
            bytes.insert(bytes.end(), {0xFF, 0xFB, 0x94, 0x44});
            bytes.resize(std::min(bytes.size() + 40, tagBytes), 0);
        }
        bytes.insert(bytes.end(), frames.begin(), frames.end());
        const std::string path = dir + "/tagged.mp3";
        ASSERT_TRUE(WriteBytes(path, bytes));
        LSoundSourcePtr src = OpenMP3Source(path.c_str());
        ASSERT_FALSE(src->HasError());
        EXPECT_EQ(src->nSampleRate, 44100);
        EXPECT_EQ(DecodeSource(*src), expected);
        src->Seek(1000);
        std::vector<int32_t> part(size_t(2000) * 2);
        src->Read(part.data(), 2000);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), expected.begin() + 2000));
    }
}

namespace {

// Mono frames with one spectral line (+1 at global gain 210) at `line`, in
// an ordinary long block or in the long part of a mixed block.
// version 0: 44100 Hz 128 kbit/s; 1: 22050 Hz 64 kbit/s; 2: 8000 Hz 16 kbit/s.
std::vector<uint8_t> MonoLineFrame(int32_t version, bool mixed, int32_t line) {
    static const uint8_t kHeader[3][3] = {{0xFB, 0x90, 0xC0}, {0xF3, 0x80, 0xC0}, {0xE3, 0x28, 0xC0}};
    static const int32_t kLength[3] = {417, 208, 144};
    BitWriter w;
    w.Put(0xFF, 8);
    for (uint8_t b : kHeader[version]) w.Put(b, 8);
    const bool mpeg1 = version == 0;
    const int32_t pairs = line / 2;  // (0, 0) pairs before the line, code "1"
    w.Put(0, mpeg1 ? 9 : 8);
    w.Put(0, mpeg1 ? 5 : 1);
    if (mpeg1) w.Put(0, 4);
    for (int32_t gr = 0; gr < (mpeg1 ? 2 : 1); ++gr) {
        w.Put(uint32_t(pairs + 3), 12);
        w.Put(uint32_t(pairs + 1), 9);
        w.Put(210, 8);
        w.Put(0, mpeg1 ? 4 : 9);
        if (mixed) {
            w.Put(1, 1);  // window switching
            w.Put(2, 2);  // short blocks
            w.Put(1, 1);  // mixed
            w.Put(1, 5);
            w.Put(0, 5);
            w.Put(0, 9);  // subblock gains
        } else {
            w.Put(0, 1);
            w.Put(1, 5);
            w.Put(0, 5);
            w.Put(0, 5);
            w.Put(7, 4);  // region 0 reaches as far as in the mixed block
            w.Put(0, 3);
        }
        if (mpeg1) w.Put(0, 1);
        w.Put(0, 1);
        w.Put(0, 1);
    }
    for (int32_t gr = 0; gr < (mpeg1 ? 2 : 1); ++gr) {
        for (int32_t i = 0; i < pairs; ++i) w.Put(1, 1);
        w.Put(0b010, 3);
    }
    w.PadTo(size_t(kLength[version]));
    return w.Bytes();
}

}  // namespace

// The long part of a mixed block (36 lines; 72 at 8000 Hz) is an ordinary
// long block: same scale factors, window and alias reduction inside it.
TEST(MP3Crafted, MixedBlockLongPartDecodesAsLongBlock) {
    const std::string dir = ScratchDir("mixed");
    struct Case {
        int32_t version;
        int32_t line;
    };
    const Case cases[] = {{0, 0}, {0, 20}, {1, 20}, {2, 20}, {2, 40}, {2, 62}};
    for (const Case& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version) + " line " + std::to_string(c.line));
        std::vector<int32_t> out[2];
        for (int32_t mixed = 0; mixed < 2; ++mixed) {
            const std::vector<uint8_t> frame = MonoLineFrame(c.version, mixed != 0, c.line);
            std::vector<uint8_t> bytes;
            for (int32_t i = 0; i < 6; ++i) bytes.insert(bytes.end(), frame.begin(), frame.end());
            const std::string path = dir + "/m" + std::to_string(mixed) + ".mp3";
            ASSERT_TRUE(WriteBytes(path, bytes));
            LSoundSourcePtr src = OpenMP3Source(path.c_str());
            ASSERT_FALSE(src->HasError());
            ASSERT_EQ(src->nChans, 1);
            out[mixed] = DecodeSource(*src);
        }
        ASSERT_EQ(out[0].size(), out[1].size());
        int32_t peak = 0;
        for (int32_t v : out[0]) peak = std::max(peak, std::abs(v));
        EXPECT_GT(peak, 1000);
        for (size_t i = 0; i < out[0].size(); ++i) ASSERT_NEAR(out[1][i], out[0][i], 1) << "sample " << i;
    }
}
