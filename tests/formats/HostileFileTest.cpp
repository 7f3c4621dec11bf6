// Files whose headers lie: a declared size far beyond the file, more frames
// than positions can count, channel counts the editor does not take. Each
// ends with exactly the real data or a clear refusal, and loading one uses
// temporary space in proportion to the file, never to what it declares.
#include <gtest/gtest.h>

#include <memory>

#include "WaveBytes.h"
#include "document/LAudioCutTank.h"
#include "document/LSDLoadFile.h"
#include "formats/LWaveFile.h"
#include "support/LFailure.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::string Fixture(const char* name) { return std::string(SONDREL_SOURCE_DIR) + "/tests/data/hostile/" + name; }

int64_t FileSize(const std::string& path) {
    LFile f;
    return f.Open(path.c_str(), LFile::kRead) ? f.Size() : -1;
}

// Bytes of the files in dir whose names end in suffix ("" for all).
int64_t FolderBytes(const std::string& dir, const char* suffix = "") {
    int64_t total = 0;
    for (const std::string& n : LFile::List(dir.c_str(), suffix)) total += FileSize(JoinPath(dir, n));
    return total;
}

struct Loaded {
    int result = -1;
    int32_t frames = -1;
    uint32_t chans = 0;
    int64_t segmentBytes = -1;  // the audio's segment files
    int64_t tankBytes = -1;     // all temporary space the load took (segments and their summaries)
    LFailureNote note;
};

// Loads path as the editor opens a file, into a tank of its own.
Loaded Load(const std::string& path, const std::string& tankDir) {
    Loaded r;
    LCutTankScope tank(tankDir);
    LCutListAudio audio;
    SDLoadFile rec;
    rec.szPath = path;
    rec.bVoxPrompt = false;
    rec.pAudio = &audio;
    LNullProgress progress;
    ClearFailure();
    r.result = Process(&progress, rec);
    r.note = LastFailure();
    r.frames = audio.GetLength();
    r.chans = audio.nChans;
    r.segmentBytes = FolderBytes(tankDir, ".aud");
    r.tankBytes = FolderBytes(tankDir);
    return r;
}

struct HostileCase {
    const char* name;
    std::string path;
    int result;          // of the load
    int32_t frames;      // frames loaded (when it loads)
    LFailure refusal;    // why it is refused (when it is)
};

void Check(const HostileCase& c, const std::string& scratch) {
    SCOPED_TRACE(c.name);
    const int64_t size = FileSize(c.path);
    ASSERT_GT(size, 0);
    static int folders = 0;
    std::string tankDir = JoinPath(scratch, "tank-" + std::to_string(++folders));
    ASSERT_TRUE(LFile::MakeFolder(tankDir.c_str()));
    Loaded r = Load(c.path, tankDir);
    EXPECT_EQ(r.result, c.result);
    if (c.result == kProcessDone) {
        EXPECT_EQ(r.frames, c.frames);
        EXPECT_EQ(r.segmentBytes, int64_t(c.frames) * r.chans * 4);
        // A small multiple of the file: 4 bytes for each sample byte, and a summary.
        EXPECT_LE(r.tankBytes, 8 * size);
    } else {
        EXPECT_EQ(r.note.eKind, c.refusal);
        EXPECT_EQ(r.note.szPath, c.path);
        EXPECT_EQ(r.tankBytes, 0);
    }
}

class HostileFiles : public ::testing::Test {
protected:
    void SetUp() override { dir = ScratchDir("hostile"); }
    std::string dir;
};

TEST_F(HostileFiles, TheKeptFixturesEndWithTheirRealDataOrAreRefused) {
    const HostileCase cases[] = {
        // 8-bit mono declaring 0xFFFFFFFE data bytes over 100 real ones.
        {"144", Fixture("declares-4g-8bit-mono.wav"), kProcessDone, 100, LFailure::kNone},
        // 16-bit, 17 channels, declaring 2 GB over 3 bytes (not one whole
        // frame): mixed down to stereo, it holds nothing.
        {"17ch", Fixture("fuzz-17ch-declares-2g.wav"), kProcessDone, 0, LFailure::kNone},
        // "4-bit" stereo (read as 8-bit) declaring 1.1 GB over 66 bytes.
        {"4bit", Fixture("fuzz-4bit-declares-1g.wav"), kProcessDone, 33, LFailure::kNone},
    };
    for (const HostileCase& c : cases) Check(c, dir);
}

TEST_F(HostileFiles, DeclaredSizesCountOnlyWhatTheFileHolds) {
    struct Variant {
        const char* name;
        uint32_t chans, bits;
        uint32_t declared;
        uint32_t real;   // data bytes present
        int32_t frames;  // expected length
    };
    const Variant variants[] = {
        {"8-bit mono, 4 GB declared", 1, 8, 0xFFFFFFFE, 100, 100},
        {"16-bit stereo, 4 GB declared", 2, 16, 0xFFFFFFFE, 1000, 250},
        {"16-bit mono, unfinished writer", 1, 16, 0xFFFFFFFF, 10, 5},
        {"8-bit stereo, 2 GB declared, no data", 2, 8, 0x80000000, 0, 0},
        {"16-bit mono, 2^31 - 1 declared", 1, 16, 0x7FFFFFFF, 2, 1},
        {"16-bit mono, less declared than held", 1, 16, 10, 1000, 5},
        {"8-bit stereo, odd size declared past the end", 2, 8, 0xFFFFFFF1, 52, 26},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        Bytes data(v.real);
        for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 37 + 1);
        std::string path = WriteBytes(dir, std::string("v") + std::to_string(&v - variants) + ".wav",
                                      Riff({Chunk("fmt ", FmtPayload(1, v.chans, 8000, v.bits)),
                                            Chunk("data", data, v.declared)}));
        LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
        ASSERT_FALSE(src->HasError());
        EXPECT_EQ(src->GetLength(), v.frames);
        Check({v.name, path, kProcessDone, v.frames, LFailure::kNone}, dir);
    }
}

TEST_F(HostileFiles, AFileLongerThanPositionsCanCountIsRefused) {
    // 8-bit mono data of 2^31 bytes: one frame a byte, more than a stream
    // can count. The file is sparse: its size is real, its blocks are not.
    std::string path = WriteBytes(dir, "long.wav",
                                  Riff({Chunk("fmt ", FmtPayload(1, 1, 8000, 8)), Chunk("data", {}, 0x80000000u)}));
    {
        LFile f;
        ASSERT_TRUE(f.Open(path.c_str(), LFile::kReadWrite));
        if (!f.Seek(44 + int64_t(0x80000000u)) || !f.Truncate()) GTEST_SKIP() << "no room for a sparse 2 GB file";
    }
    ClearFailure();
    LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
    EXPECT_TRUE(src->HasError());
    EXPECT_EQ(LastFailure().eKind, LFailure::kTooLong);
    EXPECT_EQ(FailureText(LastFailure()), "it is longer than Sondrel can hold (2^31 frames)");
    LFile::Delete(path.c_str());
}

}  // namespace
