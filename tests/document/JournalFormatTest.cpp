// The document journal's file format: what is written is read back exactly,
// and anything that is not one whole journal of values a cut list can have
// is refused, never half read.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "DocTestUtil.h"
#include "document/LDocumentJournal.h"
#include "document/LSDFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

LJournalRecord Sample() {
    LJournalRecord r;
    r.nOrder = 7;
    r.nSequence = 0x0102030405060708ull;
    r.nChangedTime = 1765400000;
    r.stPosition = 1500;
    r.stSelStart = 1000;
    r.stSelEnd = 2500;
    r.stViewStart = 250;
    r.stViewEnd = 4000;
    r.nSampleRate = 22050;
    r.nChans = 2;
    r.bDirty = 1;
    r.nUntitledIdx = 3;
    r.szFilePath = "C:\\Aufnahmen\\Gr\xC3\xBC\xC3\x9F" "e.wav";
    r.vCuts = {{3, 100, 50, kUnityGain}, {kSilentIndex, 0, 20, kUnityGain}, {3, 0, 10, -0x800000}, {65534, 7, 0, 1}};
    return r;
}

std::vector<uint8_t> Encode(const LJournalRecord& r) {
    std::vector<uint8_t> b;
    EncodeJournal(r, b);
    return b;
}

// Sets a 32-bit field and makes the checksum right again, so that only the
// field's meaning can refuse the journal.
void Patch32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
    uint32_t crc = Crc32(b.data(), b.size() - 4);
    for (int i = 0; i < 4; ++i) b[b.size() - 4 + i] = uint8_t(crc >> (8 * i));
}

bool Decodes(const std::vector<uint8_t>& b, LJournalRecord* out = nullptr) {
    LJournalRecord r;
    bool ok = DecodeJournal(b.data(), b.size(), r);
    if (out) *out = r;
    return ok;
}

}  // namespace

TEST(JournalFormat, Crc32IsTheStandardOne) {
    const char* check = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(check), 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

TEST(JournalFormat, EveryFieldReadsBackAsWritten) {
    LJournalRecord in = Sample(), out;
    std::vector<uint8_t> b = Encode(in);
    ASSERT_TRUE(Decodes(b, &out));
    EXPECT_EQ(out, in);
    EXPECT_EQ(out.LengthFrames(), 80);
    EXPECT_EQ(out.DisplayName(), "Gr\xC3\xBC\xC3\x9F" "e.wav");

    LJournalRecord empty;  // an empty untitled document
    empty.nUntitledIdx = 19;
    ASSERT_TRUE(Decodes(Encode(empty), &out));
    EXPECT_EQ(out, empty);
    EXPECT_EQ(out.DisplayName(), "Untitled 19");
}

class JournalOfDocument : public TankTest {};

TEST_F(JournalOfDocument, DocumentEncodesAsItsRecord) {
    LSDFile doc("D:\\take.wav");
    doc.audio = MakeSegment(Ramp(300, 2, 1), 2, 11025);
    doc.audio.EfInsertSilence(100, 40);
    doc.audio.EfAmplify(0, 50, 50);
    doc.bDirty = 1;
    doc.nUntitledIdx = 0;
    doc.stPosition.ms = 11;
    doc.stSelStart.ms = 12;
    doc.stSelEnd.ms = 13;
    doc.stViewStart.ms = 14;
    doc.stViewEnd.ms = 15;

    LJournalRecord head;
    head.nOrder = 2;
    head.nSequence = 9;
    head.nChangedTime = 12345;
    std::vector<uint8_t> b;
    EncodeJournal(head, doc, b);
    LJournalRecord r;
    ASSERT_TRUE(Decodes(b, &r));
    EXPECT_EQ(r.nOrder, 2u);
    EXPECT_EQ(r.nSequence, 9u);
    EXPECT_EQ(r.nChangedTime, 12345);
    EXPECT_EQ(r.szFilePath, doc.szFilePath);
    EXPECT_EQ(r.nSampleRate, 11025);
    EXPECT_EQ(r.nChans, 2);
    EXPECT_EQ(r.bDirty, 1);
    EXPECT_EQ((std::vector<int32_t>{r.stPosition, r.stSelStart, r.stSelEnd, r.stViewStart, r.stViewEnd}),
              (std::vector<int32_t>{11, 12, 13, 14, 15}));
    std::vector<LJournalCut> cuts;
    for (auto it = doc.audio.lstCuts.Begin(); it.IsValid(); it.Next())
        cuts.push_back({it->nIndex, it->nStart, it->nLength, it->nGain});
    EXPECT_EQ(r.vCuts, cuts);

    // The cut list made from the record reads exactly as the document.
    EXPECT_EQ(ReadList(JournalCutList(r)), ReadList(doc.audio));
}

// The layout the header describes, as another program writes it (the fuzz
// seeds are made with Python's struct and zlib.crc32).
TEST(JournalFormat, AJournalWrittenFromTheLayoutAloneIsRead) {
    std::vector<uint8_t> b = ReadBytes(SONDREL_SOURCE_DIR "/tests/fuzz/corpus/journal_fuzz/edited.jnl");
    LJournalRecord r;
    ASSERT_TRUE(Decodes(b, &r));
    LJournalRecord want;
    want.nOrder = 2;
    want.nSequence = 17;
    want.nChangedTime = 1765400000;
    want.stPosition = 1500;
    want.stSelStart = 1000;
    want.stSelEnd = 2500;
    want.stViewEnd = 4000;
    want.nSampleRate = 44100;
    want.nChans = 2;
    want.bDirty = 1;
    want.szFilePath = "C:\\Music\\take.wav";
    want.vCuts = {{3, 100, 50, kUnityGain}, {kSilentIndex, 0, 20, kUnityGain}, {3, 0, 10, -0x800000}};
    EXPECT_EQ(r, want);
    EXPECT_EQ(Encode(want), b);
}

TEST(JournalFormat, JournalsCutShortAreRefused) {
    std::vector<uint8_t> b = Encode(Sample());
    for (size_t n = 0; n < b.size(); ++n) {
        std::vector<uint8_t> part(b.begin(), b.begin() + n);
        EXPECT_FALSE(Decodes(part)) << "cut to " << n << " of " << b.size() << " bytes";
    }
    std::vector<uint8_t> longer = b;
    longer.push_back(0);
    EXPECT_FALSE(Decodes(longer));
}

TEST(JournalFormat, JournalsWithAFlippedByteAreRefused) {
    std::vector<uint8_t> b = Encode(Sample());
    for (size_t i = 0; i < b.size(); ++i) {
        for (uint8_t mask : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
            std::vector<uint8_t> bad = b;
            bad[i] ^= mask;
            EXPECT_FALSE(Decodes(bad)) << "byte " << i << " ^ " << int(mask);
        }
    }
}

TEST(JournalFormat, ValuesNoCutListCanHaveAreRefused) {
    const std::vector<uint8_t> good = Encode(Sample());
    ASSERT_TRUE(Decodes(good));
    const size_t pathBytes = Sample().szFilePath.size();
    const size_t countAt = 64 + pathBytes, cut0 = countAt + 4, cut1 = cut0 + 14;
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"version 2", 4, 2},
        {"sample rate 0", 52, 0},
        {"negative sample rate", 52, uint32_t(-8000)},
        {"one cut more than the file holds", countAt, 5},
        {"one cut less", countAt, 3},
        {"a cut of negative length", cut0 + 6, uint32_t(-1)},
        {"a file cut starting before its segment", cut0 + 2, uint32_t(-5)},
        {"a cut ending beyond the largest frame", cut0 + 2, 0x7FFFFFF0u},
        {"a length beyond the largest document", cut1 + 6, 0x7FFFFFF0u},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> b = good;
        Patch32(b, c.at, c.value);
        EXPECT_FALSE(Decodes(b)) << c.what;
    }
    struct Byte {
        const char* what;
        size_t at;
        uint8_t value;
    } bytes[] = {{"no channels", 56, 0}, {"dirty flag 2", 57, 2}, {"path longer than the file", 59, 0x7F}};
    for (const Byte& c : bytes) {
        std::vector<uint8_t> b = good;
        b[c.at] = c.value;
        Patch32(b, b.size() - 4, 0);  // only to recompute the checksum
        EXPECT_FALSE(Decodes(b)) << c.what;
    }
    // A silent cut's start means nothing and is not held against it.
    std::vector<uint8_t> b = good;
    Patch32(b, cut1 + 2, 99);
    EXPECT_TRUE(Decodes(b));
}

TEST(JournalFormat, SegmentsMustHoldEveryFrameTheCutsUse) {
    LJournalRecord r;
    r.nChans = 2;
    // Segment 4 must hold frames up to 130 (the furthest end), segment 9 up to 5.
    r.vCuts = {{4, 100, 30, kUnityGain}, {4, 0, 10, kUnityGain}, {kSilentIndex, 0, 500, kUnityGain},
               {9, 0, 5, kUnityGain}, {11, 900, 0, kUnityGain}};
    const int64_t frameBytes = 2 * 4;
    struct Case {
        const char* what;
        std::map<uint16_t, int64_t> sizes;
        std::string problem;
    } cases[] = {
        {"all there", {{4, 130 * frameBytes}, {9, 5 * frameBytes}}, ""},
        {"longer is fine", {{4, 1000 * frameBytes}, {9, 6 * frameBytes}}, ""},
        {"one frame short", {{4, 129 * frameBytes}, {9, 5 * frameBytes}}, "its audio file 4.aud is incomplete"},
        {"half a frame short", {{4, 130 * frameBytes - 4}, {9, 5 * frameBytes}}, "its audio file 4.aud is incomplete"},
        {"missing", {{4, 130 * frameBytes}}, "its audio file 9.aud is missing"},
    };
    for (const Case& c : cases) {
        auto sizes = c.sizes;
        std::string problem = CheckJournalSegments(r, [&](uint16_t i) {
            auto it = sizes.find(i);
            return it == sizes.end() ? int64_t(-1) : it->second;
        });
        EXPECT_EQ(problem, c.problem) << c.what;
    }
}

TEST(JournalFormat, SlotsComeFromTheNamesTheKeeperMakes) {
    struct Case {
        const char* name;
        int64_t slot;
    } cases[] = {{"0.jnl", 0},        {"12.jnl", 12},   {"12.JNL", 12},       {"999999999.jnl", 999999999},
                 {"012.jnl", -1},     {"a.jnl", -1},    {".jnl", -1},         {"12.jnl.new", -1},
                 {"1234567890.jnl", -1}, {"12.aud", -1}, {"1-2.jnl", -1}};
    for (const Case& c : cases) EXPECT_EQ(JournalSlotOf(c.name), c.slot) << c.name;
    EXPECT_EQ(JournalSlotOf(FileNamePart(JournalPath("dir", 42))), 42);
}
