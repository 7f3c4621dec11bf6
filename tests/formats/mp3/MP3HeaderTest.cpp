#include <gtest/gtest.h>

#include "formats/mp3/MP3Header.h"
#include "formats/mp3/MP3TestUtil.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

TEST(MP3Header, ParseAcceptsOnlyLayerIIIWithAKnownRate) {
    struct Case {
        uint8_t b[4];
        bool accepted;
        int32_t version = 0, bitrate = 0, sampleRate = 0, frameLength = 0, protection = 0, mode = 0,
                modeExtension = 0;
    };
    const Case cases[] = {
        // MPEG-1, 128 kbit/s, 44100 Hz, no CRC, joint stereo with M/S.
        {{0xFF, 0xFB, 0x90, 0x64}, true, 0, 128000, 44100, 417, 1, 1, 2},
        // Same with padding and CRC, single channel.
        {{0xFF, 0xFA, 0x92, 0xC0}, true, 0, 128000, 44100, 418, 0, 3, 0},
        // MPEG-1 320 kbit/s, 32000 Hz: the largest frame.
        {{0xFF, 0xFB, 0xEA, 0x00}, true, 0, 320000, 32000, 1441, 1, 0, 0},
        // MPEG-2, 64 kbit/s, 22050 Hz, dual channel.
        {{0xFF, 0xF3, 0x80, 0x80}, true, 1, 64000, 22050, 208, 1, 2, 0},
        // MPEG-2, 8 kbit/s, 24000 Hz: the smallest frame.
        {{0xFF, 0xF3, 0x14, 0xC0}, true, 1, 8000, 24000, 24, 1, 3, 0},
        // MPEG-2.5, 16 kbit/s, 8000 Hz, intensity and M/S.
        {{0xFF, 0xE3, 0x28, 0x70}, true, 2, 16000, 8000, 144, 1, 1, 3},
        // MPEG-2.5, 32 kbit/s, 11025 Hz, padded.
        {{0xFF, 0xE3, 0x42, 0x00}, true, 2, 32000, 11025, 209, 1, 0, 0},
        {{0xFF, 0xFB, 0x00, 0x00}, false},  // free format
        {{0xFF, 0xFB, 0xF0, 0x00}, false},  // forbidden bit-rate index
        {{0xFF, 0xFB, 0x9C, 0x00}, false},  // reserved sampling frequency
        {{0xFF, 0xEB, 0x90, 0x00}, false},  // reserved version
        {{0xFF, 0xFD, 0x90, 0x00}, false},  // Layer II
        {{0xFF, 0xFF, 0x90, 0x00}, false},  // Layer I
        {{0xFF, 0xF9, 0x90, 0x00}, false},  // layer bits 00
        {{0xFF, 0xDB, 0x90, 0x00}, false},  // only 10 sync bits
        {{0xFE, 0xFB, 0x90, 0x00}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << int(c.b[0]) << ' ' << int(c.b[1]) << ' ' << int(c.b[2])
                                          << ' ' << int(c.b[3]));
        MP3Header h;
        ASSERT_EQ(h.Parse(c.b), c.accepted);
        if (!c.accepted) continue;
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.bitrate, c.bitrate);
        EXPECT_EQ(h.SampleRate(), c.sampleRate);
        EXPECT_EQ(h.FrameLength(), c.frameLength);
        EXPECT_EQ(h.protection, c.protection);
        EXPECT_EQ(h.mode, c.mode);
        EXPECT_EQ(h.mode_extension, c.modeExtension);
        EXPECT_EQ(h.SamplesPerFrame(), c.version == 0 ? 1152 : 576);
        EXPECT_EQ(h.SideInfoSize(), c.version == 0 ? (c.mode == 3 ? 17 : 32) : (c.mode == 3 ? 9 : 17));
    }
}

// The search examines up to 16384 bytes after the first four; a CRC after
// the header is stepped over.
TEST(MP3Header, ReadHeaderSearchLimitAndCrc) {
    const std::string dir = ScratchDir("mp3header");
    struct Case {
        size_t junk;
        bool crc;
        bool found;
    };
    const Case cases[] = {{0, false, true},    {1000, false, true}, {16384, false, true},
                          {16385, false, false}, {3, true, true},      {16384, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE("junk " + std::to_string(c.junk));
        // Junk that never forms a sync: alternating 0x00 / 0xFF.
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < c.junk; ++i) bytes.push_back(i % 2 ? 0xFF : 0x00);
        const uint8_t header[4] = {0xFF, uint8_t(c.crc ? 0xFA : 0xFB), 0x90, 0x44};
        bytes.insert(bytes.end(), header, header + 4);
        bytes.insert(bytes.end(), {0x12, 0x34, 0x56, 0x78});
        const std::string path = dir + "/h" + std::to_string(c.junk) + ".mp3";
        ASSERT_TRUE(WriteBytes(path, bytes));
        MP3InputFile f;
        ASSERT_TRUE(f.Open(path.c_str()));
        MP3Header h;
        int64_t where = -1;
        ASSERT_EQ(h.ReadHeader(f, &where), c.found);
        if (!c.found) continue;
        EXPECT_EQ(where, int64_t(c.junk));
        EXPECT_EQ(f.Tell(), int64_t(c.junk + 4 + (c.crc ? 2 : 0)));
    }
    // Fewer than four bytes: no header.
    const std::string tiny = dir + "/tiny.mp3";
    ASSERT_TRUE(WriteBytes(tiny, {0xFF, 0xFB, 0x90}));
    MP3InputFile f;
    ASSERT_TRUE(f.Open(tiny.c_str()));
    MP3Header h;
    EXPECT_FALSE(h.ReadHeader(f));
}
