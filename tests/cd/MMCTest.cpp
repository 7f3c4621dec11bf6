// Command blocks and the reading of a table of contents.
#include <gtest/gtest.h>

#include <vector>

#include "cd/LMMC.h"

using namespace sondrel;

TEST(MMCCommands, ReadTOCAsksForTheWholeTOCInLBAFromTrackOne) {
    uint8_t cdb[kReadTOCCommandLength];
    std::fill(cdb, cdb + sizeof cdb, 0xCC);
    BuildReadTOC(cdb);
    const uint8_t expected[] = {0x43, 0, 0, 0, 0, 0, 1, 0x08, 0x00, 0};
    EXPECT_EQ(std::vector<uint8_t>(cdb, cdb + 10), std::vector<uint8_t>(expected, expected + 10));
}

TEST(MMCCommands, ReadCDCarriesBigEndianLBAAndCountInByteEight) {
    struct Case {
        uint32_t lba;
        uint8_t count;
        std::vector<uint8_t> bytes;
        uint32_t dataLength;
    } cases[] = {
        {0, 1, {0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0xF0, 0, 0}, 2352},
        {0x12345678, 24, {0xBE, 0, 0x12, 0x34, 0x56, 0x78, 0, 0, 24, 0xF0, 0, 0}, 56448},
        {329999, 255, {0xBE, 0, 0x00, 0x05, 0x09, 0x0F, 0, 0, 255, 0xF0, 0, 0}, 599760},
    };
    for (const Case& c : cases) {
        uint8_t cdb[kReadCDCommandLength];
        std::fill(cdb, cdb + sizeof cdb, 0xCC);
        BuildReadCD(cdb, c.lba, c.count);
        EXPECT_EQ(std::vector<uint8_t>(cdb, cdb + 12), c.bytes) << c.lba;
        EXPECT_EQ(ReadCDDataLength(c.count), c.dataLength);
    }
}

namespace {
// A READ TOC answer that claims dataLength and holds descriptors with the
// given start addresses (the last the lead-out), in a 2048-byte buffer.
std::vector<uint8_t> TocAnswer(uint32_t dataLength, const std::vector<uint32_t>& starts) {
    std::vector<uint8_t> a(kTOCBufferBytes, 0);
    a[0] = uint8_t(dataLength >> 8);
    a[1] = uint8_t(dataLength);
    a[2] = 1;
    a[3] = uint8_t(starts.size() - 1);
    for (size_t i = 0; i < starts.size(); ++i) {
        uint8_t* d = &a[4 + 8 * i];
        d[1] = 0x10;
        d[2] = uint8_t(i + 1);
        d[4] = uint8_t(starts[i] >> 24);
        d[5] = uint8_t(starts[i] >> 16);
        d[6] = uint8_t(starts[i] >> 8);
        d[7] = uint8_t(starts[i]);
    }
    return a;
}
}  // namespace

TEST(MMCCommands, TOCTrackCountFollowsTheDataLength) {
    std::vector<uint32_t> starts;
    for (uint32_t i = 0; i <= 10; ++i) starts.push_back(i * 33000 + (i == 10 ? 0x01020304 : 150 * i));
    std::vector<uint8_t> answer = TocAnswer(2 + 8 * 11, starts);
    uint32_t got[kMaxTOCTracks + 1] = {};
    ASSERT_EQ(ParseTOC(answer.data(), answer.size(), got), 10);
    for (size_t i = 0; i <= 10; ++i) EXPECT_EQ(got[i], starts[i]) << i;

    // The same 100 descriptors under other data lengths.
    std::vector<uint32_t> hundred;
    for (uint32_t i = 0; i < 100; ++i) hundred.push_back(i * 1000);
    struct Case {
        uint32_t dataLength;
        int tracks;
    } cases[] = {{10, 0}, {2, 0}, {0, 0}, {9, 0}, {18, 1}, {2 + 8 * 100, 99}};
    for (const Case& c : cases) {
        uint32_t s[kMaxTOCTracks + 1] = {};
        std::vector<uint8_t> a = TocAnswer(c.dataLength, hundred);
        EXPECT_EQ(ParseTOC(a.data(), a.size(), s), c.tracks) << c.dataLength;
    }
    // Data length 10: the lead-out alone, whose address is still read.
    uint32_t leadOnly[kMaxTOCTracks + 1] = {};
    std::vector<uint8_t> lead = TocAnswer(10, {123456});
    EXPECT_EQ(ParseTOC(lead.data(), lead.size(), leadOnly), 0);
    EXPECT_EQ(leadOnly[0], 123456u);
}

TEST(MMCCommands, TOCNeverReadsPastItsBuffer) {
    // A data length of 0xFFFF would mean 8190 tracks; the count is held to
    // what fits both 255 and the answer buffer. The sanitizer build catches
    // a read past the vector.
    std::vector<uint8_t> a(kTOCBufferBytes, 0);
    a[0] = 0xFF;
    a[1] = 0xFF;
    uint32_t s[kMaxTOCTracks + 1];
    EXPECT_EQ(ParseTOC(a.data(), a.size(), s), (kTOCBufferBytes - 4) / 8 - 1);

    std::vector<uint8_t> small(4 + 8 * 3, 0);
    small[0] = 0;
    small[1] = 2 + 8 * 11;
    EXPECT_EQ(ParseTOC(small.data(), small.size(), s), 2);
    std::vector<uint8_t> tiny(6, 0);
    tiny[1] = 2 + 8 * 11;
    EXPECT_EQ(ParseTOC(tiny.data(), tiny.size(), s), 0);
}

TEST(MMCCommands, AlignedBuffersStartOnSixteenBytesAndAreZeroed) {
    for (size_t bytes : {size_t(1), size_t(2048), size_t(56448), size_t(7)}) {
        LAlignedBuffer b(bytes);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Data()) % 16, 0u) << bytes;
        EXPECT_EQ(b.Size(), bytes);
        for (size_t i = 0; i < bytes; ++i) ASSERT_EQ(b.Data()[i], 0);
        b.Data()[bytes - 1] = 1;  // the whole size is writable
    }
}
