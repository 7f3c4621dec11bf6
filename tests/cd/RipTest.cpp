// Listing drives and tracks, and reading one track into a WAV file, over a
// simulated drive.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "cd/LCDROM.h"
#include "cd/LSCSI.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/TestUtil.h"
#include "tests/cd/FakeSCSI.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

class Ripping : public ::testing::Test {
protected:
    void SetUp() override { dir = ScratchDir("rip"); }

    // Rips a track of the first drive; the file's bytes when one was left.
    LProcessResult Rip(uint8_t track, std::vector<uint8_t>* bytes = nullptr, uint8_t drive = 0) {
        LCDROMRipper r;
        r.Data.nDrive = drive;
        r.Data.nTrack = track;
        r.Data.szPath = Path();
        LProcessResult result = Process(&progress, r);
        if (bytes) LFile::ReadAll(r.Data.szPath.c_str(), *bytes);
        return result;
    }
    std::string Path() const { return JoinPath(dir, "Track.wav"); }

    std::string dir;
    FakeSCSIPlatform fake;
    FakeSCSIScope scope{fake};
    RecordingProgress progress;
};

}  // namespace

TEST(CDWaveHeader, FortySixBytesWithBothSizes) {
    uint8_t h[kCDWaveHeaderBytes];
    BuildCDWaveHeader(h, 235200);
    const uint8_t expected[46] = {'R', 'I', 'F', 'F', 0xE6, 0x96, 0x03, 0x00, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                  18, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0, 4, 0, 16, 0,
                                  0, 0, 'd', 'a', 't', 'a', 0xC0, 0x96, 0x03, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(h, h + 46), std::vector<uint8_t>(expected, expected + 46));
    BuildCDWaveHeader(h, 0xFFFFFFFFu);  // while the track is being written
    EXPECT_EQ(std::vector<uint8_t>(h + 4, h + 8), std::vector<uint8_t>(4, 0xFF));
    EXPECT_EQ(std::vector<uint8_t>(h + 42, h + 46), std::vector<uint8_t>(4, 0xFF));
}

TEST(CDDurations, SecondsAreSectorsOverSeventyFiveShownAsMinutesAndSeconds) {
    struct Case {
        int64_t sectors;
        uint16_t seconds;
        const char* text;
    } cases[] = {
        {4500, 60, "1 :00"}, {0, 0, "0 :00"},       {-300, 0, "0 :00"},     {74, 0, "0 :00"},
        {75, 1, "0 :01"},    {4499, 59, "0 :59"},   {4575, 61, "1 :01"},    {333000, 4440, "74 :00"},
        {int64_t(75) * 70000, 65535, "1092 :15"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrackSeconds(c.sectors), c.seconds) << c.sectors;
        EXPECT_EQ(DurationText(TrackSeconds(c.sectors)), c.text) << c.sectors;
    }
}

TEST_F(Ripping, ListingCountsDrivesAndTrackLengths) {
    fake.adapters = 2;
    fake.AddCD(0, 1, 0, {4500, 4575, 74});
    fake.AddCD(0, 3, 0, {100}).hasDisc = false;
    fake.AddCD(1, 0, 0, {75 * 200});
    LCDROMInfo info;
    info.nTracks[5] = 9;  // what an earlier listing left
    EXPECT_EQ(Process(&progress, info), kProcessDone);
    EXPECT_EQ(info.nDrives, 3);
    EXPECT_EQ(info.nTracks[0], 3);
    EXPECT_EQ(info.nTrackSeconds[0][0], 60);
    EXPECT_EQ(info.nTrackSeconds[0][1], 61);
    EXPECT_EQ(info.nTrackSeconds[0][2], 0);
    EXPECT_EQ(info.nTracks[1], 0) << "a drive without a disc lists no tracks";
    EXPECT_EQ(info.nTracks[2], 1);
    EXPECT_EQ(info.nTrackSeconds[2][0], 200);
    EXPECT_EQ(info.nTracks[5], 0);
    ASSERT_FALSE(progress.lines[0].empty());
    EXPECT_EQ(progress.lines[0][0], "Loading CD Track List(s)");
    EXPECT_EQ(progress.lines[1][0], "Please wait...");
}

TEST_F(Ripping, ListingHoldsAtEightDrivesAndAlwaysEndsDone) {
    for (int i = 0; i < 10; ++i) fake.AddCD(i / 7, i % 7, 0, {uint32_t(75 * (i + 1))});
    fake.adapters = 2;
    LCDROMInfo info;
    EXPECT_EQ(Process(&progress, info), kProcessDone);
    EXPECT_EQ(info.nDrives, 8);
    EXPECT_EQ(info.nTrackSeconds[7][0], 8);

    FakeSCSIPlatform nothing;
    FakeSCSIScope s(nothing);
    EXPECT_EQ(Process(&progress, info), kProcessDone);
    EXPECT_EQ(info.nDrives, 0);
}

TEST_F(Ripping, FileHoldsTheTracksSectorsAfterAFortySixByteHeader) {
    // Track 2 is the last of the disc, on a drive that refuses reads past
    // the lead-out: the last block reads only what the track has left.
    struct Case {
        uint32_t sectors;
        std::vector<uint32_t> reads;  // sector counts of the READ CDs, in order
    } cases[] = {
        {100, {24, 24, 24, 24, 4}}, {96, {24, 24, 24, 24}}, {24, {24}}, {1, {1}}, {0, {}}, {49, {24, 24, 1}},
    };
    for (const Case& c : cases) {
        FakeSCSIPlatform f;
        FakeDevice& d = f.AddCD(0, 0, 0, {30, 77, c.sectors});
        d.strictLeadOut = true;
        FakeSCSIScope s(f);
        std::vector<uint8_t> bytes;
        ASSERT_EQ(Rip(2, &bytes), kProcessDone) << c.sectors;
        uint32_t data = c.sectors * 2352;
        ASSERT_EQ(bytes.size(), 46 + size_t(data)) << c.sectors;
        uint8_t header[46];
        BuildCDWaveHeader(header, data);
        EXPECT_EQ(std::memcmp(bytes.data(), header, 46), 0) << c.sectors;
        EXPECT_EQ(U32(bytes, 4), data + 38);
        EXPECT_EQ(U32(bytes, 42), data);
        std::vector<uint8_t> audio = d.disc.Bytes(107, c.sectors);
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), bytes.begin() + 46)) << c.sectors;

        std::vector<uint32_t> counts;
        uint32_t next = 107;
        for (const auto& r : f.Reads()) {
            counts.push_back(r.count);
            EXPECT_EQ(r.lba, next);
            EXPECT_TRUE(r.aligned);
            next += r.count;
        }
        EXPECT_EQ(counts, c.reads) << c.sectors;
    }
}

TEST_F(Ripping, RippedFileOpensAsStereoSixteenBitAudio) {
    FakeDevice& d = fake.AddCD(0, 0, 0, {100});
    ASSERT_EQ(Rip(0), kProcessDone);
    LSoundSourcePtr src = LWaveFile::OpenSource(Path().c_str());
    ASSERT_FALSE(src->HasError()) << LWaveFile::LastDiagnostic();
    EXPECT_EQ(src->nSampleRate, 44100);
    EXPECT_EQ(src->nChans, 2u);
    std::vector<int32_t> samples = ReadAll(*src);
    ASSERT_EQ(samples.size(), 100u * 588 * 2);
    std::vector<uint8_t> raw = d.disc.Bytes(0, 100);
    for (size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ(samples[i], int32_t(int16_t(raw[2 * i] | raw[2 * i + 1] << 8)) * 16) << i;
}

TEST_F(Ripping, ProgressTextsAndFraction) {
    fake.AddCD(0, 0, 0, {10, 10, 50});
    ASSERT_EQ(Rip(2), kProcessDone);
    EXPECT_EQ(progress.lines[0], std::vector<std::string>{"Loading CD Track 3"});
    EXPECT_EQ(progress.lines[1],
              (std::vector<std::string>{"Getting Track Information...", "Loading Digital Audio..."}));
    ASSERT_FALSE(progress.fractions.empty());
    EXPECT_EQ(progress.fractions.front(), 0.0);
    EXPECT_DOUBLE_EQ(progress.fractions.back(), 1.0);
    for (size_t i = 1; i < progress.fractions.size(); ++i) EXPECT_GE(progress.fractions[i], progress.fractions[i - 1]);
}

TEST_F(Ripping, FailedOrStoppedReadLeavesNoFile) {
    // Polls before the reads: one to find the drive, one for the table of
    // contents; then one before each read, and one per wait of a read that
    // hangs.
    struct Case {
        const char* what;
        int64_t errorAt, hangAt;
        int cancelAtPoll;
        LProcessResult result;
    } cases[] = {
        {"read error", 140, -1, -1, kProcessFailed},
        {"cancel between reads", -1, -1, 2 + 3, kProcessCancelled},
        {"cancel while a read hangs", -1, 150, 2 + 2 + 3, kProcessCancelled},
    };
    for (const Case& c : cases) {
        FakeSCSIPlatform f;
        FakeDevice& d = f.AddCD(0, 0, 0, {100, 100});
        d.readErrorAt = c.errorAt;
        d.hangAt = c.hangAt;
        FakeSCSIScope s(f);
        RecordingProgress p;
        p.cancelAtPoll = c.cancelAtPoll;
        LFile::WriteAll(Path().c_str(), "old", 3);
        LCDROMRipper r;
        r.Data.nTrack = 1;
        r.Data.szPath = Path();
        EXPECT_EQ(Process(&p, r), c.result) << c.what;
        EXPECT_FALSE(LFile::Exists(Path().c_str())) << c.what;
        EXPECT_EQ(f.aborted.size(), c.hangAt >= 0 ? 1u : 0u) << c.what;
        if (c.cancelAtPoll == 2 + 3) {
            EXPECT_EQ(f.Reads().size(), 3u) << "the fourth read is never sent";
        }
    }
}

TEST_F(Ripping, TrackMustExistOnAReadableDisc) {
    fake.aspiPresent = false;
    FakeDevice& d = fake.AddRootCD("D:\\", {100, 100});
    struct Case {
        const char* what;
        uint8_t drive, track;
        bool disc;
        const char* diagnostic;
    } cases[] = {
        {"no such drive", 1, 0, true, "Process(LCDROMRipper) Open FAILED"},
        {"no disc", 0, 0, false, "Process(LCDROMRipper) GetTOC FAILED"},
        {"track past the last", 0, 2, true, "Process(LCDROMRipper) Data.nTrack >= nTracks"},
    };
    for (const Case& c : cases) {
        d.hasDisc = c.disc;
        EXPECT_EQ(Rip(c.track, nullptr, c.drive), kProcessFailed) << c.what;
        EXPECT_STREQ(LastCDDiagnostic(), c.diagnostic);
        EXPECT_FALSE(LFile::Exists(Path().c_str())) << c.what;
    }
    d.hasDisc = true;
    LCDROMRipper r;
    r.Data.szPath = JoinPath(JoinPath(dir, "missing"), "Track 1.wav");
    EXPECT_EQ(Process(&progress, r), kProcessFailed);
    EXPECT_STREQ(LastCDDiagnostic(), "Process(LCDROMRipper) Unable to create wav file path");
}

TEST_F(Ripping, ReplacesAnExistingFile) {
    fake.AddCD(0, 0, 0, {3});
    std::vector<uint8_t> big(500000, 7);
    LFile::WriteAll(Path().c_str(), big.data(), big.size());
    std::vector<uint8_t> bytes;
    ASSERT_EQ(Rip(0, &bytes), kProcessDone);
    EXPECT_EQ(bytes.size(), 46u + 3 * 2352);
}

TEST_F(Ripping, TrackLongerThanAWaveFileCanHoldFails) {
    // A table of contents no disc can have: a track of two billion sectors.
    fake.AddCD(0, 0, 0, {0x7FFFFFFF});
    EXPECT_EQ(Rip(0), kProcessFailed);
    EXPECT_TRUE(fake.Reads().empty());
    EXPECT_FALSE(LFile::Exists(Path().c_str()));
}

#ifndef _WIN32
TEST_F(Ripping, AFullDiskFailsTheTrackInsteadOfPassingAShortFile) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    fake.AddCD(0, 0, 0, {100});
    // A link to the full device: deleting the failed file removes the link.
    std::string full = JoinPath(dir, "full.wav");
    std::filesystem::create_symlink("/dev/full", full);
    LCDROMRipper r;
    r.Data.szPath = full;
    EXPECT_EQ(Process(&progress, r), kProcessFailed);
    EXPECT_STREQ(LastCDDiagnostic(), "Process(LCDROMRipper) Unable to write wav file");
    EXPECT_FALSE(std::filesystem::is_symlink(full));
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}
#endif
