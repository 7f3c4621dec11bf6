// The WAV file the RealAudio decoder's audio device writes, and the loader's
// handling of a RealAudio file around the decoder (a decoder of the test's
// own stands in for the library here; the library's test double is used in
// tests/win32).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "document/LDocuments.h"
#include "formats/export/ExportTestUtil.h"
#include "formats/LRealAudio.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8; }

}  // namespace

TEST(RealAudioWave, HeaderFollowsTheFormatAndSizesAreWrittenAtTheEnd) {
    struct Case {
        uint16_t chans, bits;
        uint32_t rate, blockAlign;
    } cases[] = {{1, 8, 11025, 1}, {2, 16, 44100, 4}, {2, 8, 22050, 2}, {1, 16, 8000, 2}};
    std::string dir = ScratchDir("rawave");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.chans << " channels, " << c.bits << " bits");
        std::string path = JoinPath(dir, "decoded.wav");
        // Three blocks of a ramp, in the file's own sample format.
        std::vector<uint8_t> pcm;
        for (uint32_t i = 0; i < 3000 * c.blockAlign; ++i) pcm.push_back(uint8_t(i * 7 + i / 256));
        {
            LRealAudioWave wave;
            ASSERT_TRUE(wave.Create(path.c_str()));
            wave.Begin(c.chans, c.bits, c.rate);
            for (size_t off = 0; off < pcm.size(); off += 1000 * c.blockAlign) wave.Append(pcm.data() + off, 1000 * c.blockAlign);
            EXPECT_EQ(wave.BytesWritten(), pcm.size());
        }  // finished by the destructor
        std::vector<uint8_t> f;
        ASSERT_TRUE(LFile::ReadAll(path.c_str(), f));
        ASSERT_EQ(f.size(), 46 + pcm.size());
        EXPECT_EQ(U32(f, 4), pcm.size() + 38);
        EXPECT_EQ(U32(f, 16), 18u);
        EXPECT_EQ(U16(f, 20), 1u);
        EXPECT_EQ(U16(f, 22), c.chans);
        EXPECT_EQ(U32(f, 24), c.rate);
        EXPECT_EQ(U32(f, 28), c.blockAlign * c.rate);
        EXPECT_EQ(U16(f, 32), c.blockAlign);
        EXPECT_EQ(U16(f, 34), c.bits);
        EXPECT_EQ(U32(f, 42), pcm.size());
        EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), f.begin() + 46));
        // And the program's own reader takes it.
        LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
        ASSERT_FALSE(src->HasError());
        EXPECT_EQ(src->GetLength(), 3000);
        EXPECT_EQ(src->nChans, c.chans);
    }
}

TEST(RealAudioWave, ANewBeginDiscardsEarlierAudioAndAnUnbegunFileStaysEmpty) {
    std::string dir = ScratchDir("rawave");
    std::string path = JoinPath(dir, "a.wav");
    std::vector<uint8_t> bytes(400, 0x55);
    {
        LRealAudioWave wave;
        ASSERT_TRUE(wave.Create(path.c_str()));
        wave.Append(bytes.data(), 10);  // before any format: nowhere to go
        wave.Begin(2, 16, 44100);
        wave.Append(bytes.data(), 400);
        wave.Begin(1, 8, 8000);
        wave.Append(bytes.data(), 10);
    }
    std::vector<uint8_t> f;
    ASSERT_TRUE(LFile::ReadAll(path.c_str(), f));
    ASSERT_EQ(f.size(), 56u);
    EXPECT_EQ(U32(f, 42), 10u);
    EXPECT_EQ(U16(f, 22), 1u);

    std::string empty = JoinPath(dir, "never.wav");
    {
        LRealAudioWave wave;
        ASSERT_TRUE(wave.Create(empty.c_str()));
        wave.Append(bytes.data(), 10);
    }
    ASSERT_TRUE(LFile::ReadAll(empty.c_str(), f));
    EXPECT_TRUE(f.empty());
    EXPECT_TRUE(LWaveFile::OpenSource(empty.c_str())->HasError());

    LRealAudioWave nowhere;
    EXPECT_FALSE(nowhere.Create(JoinPath(JoinPath(dir, "missing"), "x.wav").c_str()));
    nowhere.Begin(1, 16, 8000);
    nowhere.Append(bytes.data(), 10);
    nowhere.Finish();
    EXPECT_FALSE(nowhere.IsOpen());
}

namespace {

// A decoder of the test's own in place of the library: writes a stereo
// 16-bit WAV (or nothing) and answers with the result the test chose.
struct FakeDecoder {
    static inline LProcessResult result = kProcessDone;
    static inline bool writes = true;
    static inline std::string realPath, wavePath;
    static inline std::vector<int16_t> pcm;
    static LProcessResult Decode(LProgress*, const std::string& real, const std::string& wav) {
        realPath = real;
        wavePath = wav;
        if (writes) {
            LRealAudioWave w;
            w.Create(wav.c_str());
            w.Begin(2, 16, 22050);
            w.Append(pcm.data(), uint32_t(pcm.size() * 2));
        }
        return result;
    }
};

class RealAudioLoad : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ScratchDir("raload");
        tankDir = JoinPath(dir, "data folder");
        std::filesystem::create_directories(tankDir);
        tank = std::make_unique<LCutTankScope>(tankDir);
        SetSettingsStore(&settings);
        previous = pDecodeRealAudio;
        pDecodeRealAudio = FakeDecoder::Decode;
        FakeDecoder::result = kProcessDone;
        FakeDecoder::writes = true;
        FakeDecoder::pcm.clear();
        for (int i = 0; i < 5000; ++i) {
            FakeDecoder::pcm.push_back(int16_t(i * 3 - 7000));
            FakeDecoder::pcm.push_back(int16_t(-i));
        }
        real = JoinPath(dir, "clip.RA");
        LFile::WriteAll(real.c_str(), ".ra\xfd", 4);
    }
    void TearDown() override {
        docs.reset();
        pDecodeRealAudio = previous;
        SetSettingsStore(nullptr);
    }
    std::string dir, tankDir, real;
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
    ScriptedHost host;
    std::unique_ptr<LDocuments> docs = std::make_unique<LDocuments>(host);
    LDecodeRealAudio previous = nullptr;
};

}  // namespace

TEST_F(RealAudioLoad, TheDecodedWaveOpensAsTheDocumentAndIsDeletedAfterwards) {
    ASSERT_TRUE(docs->LoadFile(real));
    EXPECT_EQ(FakeDecoder::realPath, real);
    EXPECT_EQ(FakeDecoder::wavePath, JoinPath(tankDir, "clip.wav"));
    LSDFile& d = *docs->Current();
    EXPECT_EQ(d.szFilePath, real);
    EXPECT_EQ(d.audio.nSampleRate, 22050);
    EXPECT_EQ(d.audio.nChans, 2);
    LSoundSourcePtr s = CreateSource(d.audio);
    std::vector<int32_t> got = ReadAll(*s), want;
    for (int16_t v : FakeDecoder::pcm) want.push_back(int32_t(v) * 16);
    EXPECT_EQ(got, want);
    EXPECT_FALSE(LFile::Exists(FakeDecoder::wavePath.c_str()));
    for (const std::string& f : FilesIn(tankDir)) EXPECT_NE(FileExtension(f), ".wav") << f;
}

TEST_F(RealAudioLoad, AFileOfThatNameInTheDataFolderIsLeftAlone) {
    std::string mine = JoinPath(tankDir, "clip.wav");
    ASSERT_TRUE(LFile::WriteAll(mine.c_str(), "not ours", 8));
    ASSERT_TRUE(docs->LoadFile(real));
    EXPECT_NE(FakeDecoder::wavePath, mine);
    std::vector<uint8_t> b;
    ASSERT_TRUE(LFile::ReadAll(mine.c_str(), b));
    EXPECT_EQ(std::string(b.begin(), b.end()), "not ours");
    EXPECT_FALSE(LFile::Exists(FakeDecoder::wavePath.c_str()));
}

// A decoding that does not finish opens no document and leaves no file;
// neither does one that produced no usable WAV, nor a program without a
// decoder.
TEST_F(RealAudioLoad, NoDocumentWithoutACompleteDecoding) {
    struct Case {
        LProcessResult result;
        bool writes;
        bool installed;
    } cases[] = {{kProcessCancelled, true, true}, {kProcessFailed, false, true}, {kProcessDone, false, true},
                 {kProcessDone, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "result " << c.result << ", writes " << c.writes << ", installed " << c.installed);
        FakeDecoder::result = c.result;
        FakeDecoder::writes = c.writes;
        FakeDecoder::wavePath.clear();
        pDecodeRealAudio = c.installed ? FakeDecoder::Decode : nullptr;
        EXPECT_FALSE(docs->LoadFile(real));
        EXPECT_EQ(docs->GetNoFiles(), 0);
        EXPECT_TRUE(FilesIn(tankDir).empty());
    }
}
