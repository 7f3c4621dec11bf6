// Saving as MP3 when the disk fills: an MP3 the encoder cut short is told
// from a complete one by its Info frame, and a temporary WAV that does not
// fit fails the save before the encoder starts, keeping the old file.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "document/LDocuments.h"
#include "formats/export/ExportTestUtil.h"
#include "formats/LMP3Export.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::vector<uint8_t> Bytes(const std::string& path) {
    std::vector<uint8_t> b;
    LFile::ReadAll(path.c_str(), b);
    return b;
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (24 - 8 * i));
}

// A first frame as the encoder writes it: header, zero side information of
// the frame's kind, then the tag with its flags, frame count and byte count.
struct TagFrame {
    uint8_t header[4];
    size_t sideInfo;
    const char* id;
    uint32_t flags;
};
const TagFrame kMpeg1Stereo{{0xFF, 0xFB, 0x90, 0x64}, 32, "Info", 15};
const TagFrame kMpeg1Mono{{0xFF, 0xFB, 0x90, 0xC4}, 17, "Xing", 15};
const TagFrame kMpeg2Stereo{{0xFF, 0xF3, 0x90, 0x64}, 17, "Info", 15};

std::vector<uint8_t> Mp3(const TagFrame& f, uint32_t sizeInTag, size_t size) {
    std::vector<uint8_t> b(size, 0x55);
    std::copy(f.header, f.header + 4, b.begin());
    std::fill(b.begin() + 4, b.begin() + 4 + long(f.sideInfo), 0);
    size_t tag = 4 + f.sideInfo;
    std::copy(f.id, f.id + 4, b.begin() + long(tag));
    Put32(b, tag + 4, f.flags);
    size_t count = tag + 8;
    if (f.flags & 1) {
        Put32(b, count, 1234);
        count += 4;
    }
    if (f.flags & 2) Put32(b, count, sizeInTag);
    return b;
}

// The encoder's reserved first frame: a header and zeros.
std::vector<uint8_t> Reserved() {
    std::vector<uint8_t> b(8192, 0x55);
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x44};
    std::copy(header, header + 4, b.begin());
    std::fill(b.begin() + 4, b.begin() + 417, 0);
    return b;
}

}  // namespace

TEST(Mp3LooksComplete, TheInfoFramesByteCountMustBeTheFilesSize) {
    const TagFrame noFrameCount{{0xFF, 0xFB, 0x90, 0x64}, 32, "Info", 2};
    const TagFrame noByteCount{{0xFF, 0xFB, 0x90, 0x64}, 32, "Info", 1};
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        bool complete;
    } cases[] = {
        {"MPEG-1 stereo, complete", Mp3(kMpeg1Stereo, 3000, 3000), true},
        {"MPEG-1 stereo, cut at a block", Mp3(kMpeg1Stereo, 3000, 2048), false},
        {"MPEG-1 stereo, the frame never filled in", Mp3(kMpeg1Stereo, 0, 2048), false},
        {"MPEG-1 mono, complete", Mp3(kMpeg1Mono, 1500, 1500), true},
        {"MPEG-1 mono, cut short", Mp3(kMpeg1Mono, 1500, 1499), false},
        {"MPEG-2 stereo, complete", Mp3(kMpeg2Stereo, 900, 900), true},
        {"MPEG-2 stereo, cut short", Mp3(kMpeg2Stereo, 9000, 900), false},
        {"byte count without a frame count", Mp3(noFrameCount, 700, 600), false},
        {"a tag without a byte count is not judged", Mp3(noByteCount, 0, 600), true},
        {"the frame as reserved, never filled in", Reserved(), false},
        {"audio where the tag would be", std::vector<uint8_t>(400, 0xFF), true},
        {"not an MP3 frame at all", std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0}, true},
    };
    std::string dir = ScratchDir("mp3complete");
    for (const Case& c : cases) {
        std::string path = JoinPath(dir, "x.mp3");
        ASSERT_TRUE(LFile::WriteAll(path.c_str(), c.file.data(), c.file.size()));
        EXPECT_EQ(Mp3LooksComplete(path), c.complete) << c.what;
    }
    EXPECT_FALSE(Mp3LooksComplete(JoinPath(dir, "missing.mp3")));
}

namespace {

class Mp3FullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ScratchDir("mp3fulldisk");
        out = JoinPath(dir, "out");
        std::filesystem::create_directories(JoinPath(dir, "tank"));
        std::filesystem::create_directories(out);
        tank = std::make_unique<LCutTankScope>(JoinPath(dir, "tank"));
        SetSettingsStore(&settings);
        std::string src = JoinPath(dir, "src.wav");
        {
            std::vector<int32_t> s = Sine(20000, 2, 22050, 440, 20000);
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(src.c_str(), 22050, 0, 16, 2);
            sink->Write(s.data(), 20000);
        }
        ASSERT_TRUE(docs->LoadFile(src));
        doc = docs->Current();
        doc->szFilePath = JoinPath(out, "song.mp3");
    }
    void TearDown() override {
        LFile::SimulateDiskFull("", 0);
        docs.reset();
        SetSettingsStore(nullptr);
    }
    std::string dir, out;
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
    ScriptedHost host;
    std::unique_ptr<LDocuments> docs = std::make_unique<LDocuments>(host);
    LSDFile* doc = nullptr;
};

}  // namespace

// The WAV for the encoder is 80 046 bytes; the disk fills inside its header,
// at block edges and one byte short of the end.
TEST_F(Mp3FullDisk, AWaveThatDoesNotFitFailsTheSaveBeforeTheEncoderStarts) {
    const std::vector<uint8_t> previous(555, 0x3C);
    ASSERT_TRUE(LFile::WriteAll(doc->szFilePath.c_str(), previous.data(), previous.size()));
    for (int64_t n : {int64_t(0), int64_t(30), int64_t(46), int64_t(4096), int64_t(40000), int64_t(80045)}) {
        SCOPED_TRACE(n);
        doc->bDirty = 1;
        host.errors.clear();
        FakeEncoder enc;
        FakeEncoderScope scope(enc);
        LFile::SimulateDiskFull(out, n);
        EXPECT_FALSE(docs->CmSave());
        LFile::SimulateDiskFull("", 0);
        EXPECT_FALSE(enc.started);
        EXPECT_EQ(doc->bDirty, 1);
        EXPECT_EQ(Bytes(doc->szFilePath), previous);
        ASSERT_EQ(host.errors.size(), 1u);
        EXPECT_NE(host.errors[0].find("Cannot save \"" + doc->szFilePath + "\": the disk is full"), std::string::npos)
            << host.errors[0];
        EXPECT_EQ(FilesIn(out), std::vector<std::string>{"song.mp3"});
    }
    // With room enough the same save goes through.
    FakeEncoder enc;
    FakeEncoderScope scope(enc);
    LFile::SimulateDiskFull(out, 4 * 80046);
    EXPECT_TRUE(docs->CmSave());
    LFile::SimulateDiskFull("", 0);
    EXPECT_TRUE(enc.started);
    EXPECT_EQ(Bytes(doc->szFilePath).size(), 80046u) << "the fake's MP3 is the WAV it was given";
}
