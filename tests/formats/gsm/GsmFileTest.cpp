#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "formats/gsm/LGSMFile.h"
#include "formats/GsmVoxUtil.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// A file of n real frames (encoded speech) and its decoding frame by frame.
struct GsmFixture {
    std::string dir, path;
    std::vector<uint8_t> bytes;
    std::vector<int32_t> decoded;

    explicit GsmFixture(const char* tag, int frames = 20) {
        dir = ScratchDir(tag);
        path = dir + "/a.gsm";
        const auto x = ToInternal(SpeechLike(frames * 160, Seed()));
        LGSMFrame enc, dec;
        bytes.resize(size_t(frames) * kGSMFrameBytes);
        decoded.resize(size_t(frames) * 160);
        for (int f = 0; f < frames; ++f) {
            enc.EncodeNormal(x.data() + f * 160, bytes.data() + f * kGSMFrameBytes);
            dec.DecodeNormal(bytes.data() + f * kGSMFrameBytes, decoded.data() + f * 160);
        }
        EXPECT_TRUE(WriteBytes(path, bytes));
    }
    // Frame f decoded by a freshly reset decoder.
    std::vector<int32_t> Fresh(int f) const {
        LGSMFrame dec;
        std::vector<int32_t> r(160);
        dec.DecodeNormal(bytes.data() + f * kGSMFrameBytes, r.data());
        return r;
    }
};

std::vector<int32_t> ReadN(LSoundSourceBase& s, int32_t n) {
    std::vector<int32_t> r(size_t(n), 0x5A5A5A5A);  // garbage the source must overwrite
    s.Read(r.data(), n);
    return r;
}

}  // namespace

TEST(GsmFile, LengthCountsWholeFramesOnly) {
    const std::string dir = ScratchDir("gsm-len");
    const struct {
        size_t bytes;
        int32_t samples;
    } cases[] = {{0, 0}, {32, 0}, {33, 160}, {3300, 16000}, {3310, 16000}};
    std::mt19937 rng(Seed());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::vector<uint8_t> junk(c.bytes);
        for (auto& b : junk) b = uint8_t(rng());
        const std::string path = dir + "/f" + std::to_string(c.bytes) + ".gsm";
        ASSERT_TRUE(WriteBytes(path, junk));
        LSoundSourcePtr src = OpenGSMSource(path.c_str());
        EXPECT_FALSE(src->HasError());
        EXPECT_EQ(src->nSampleRate, 8000);
        EXPECT_EQ(src->nChans, 1);
        EXPECT_EQ(src->iPeakBound, 0xFFFE0);
        EXPECT_EQ(src->GetLength(), c.samples);
        EXPECT_EQ(ReadAll(*src).size(), size_t(c.samples));  // any bytes decode without trouble
    }
}

TEST(GsmFile, MissingFileIsAnEmptySilentSourceWithTheErrorFlag) {
    LSoundSourcePtr src = OpenGSMSource((ScratchDir("gsm-missing") + "/none.gsm").c_str());
    EXPECT_TRUE(src->HasError());
    EXPECT_EQ(src->GetLength(), 0);
    EXPECT_EQ(ReadN(*src, 500), std::vector<int32_t>(500, 0));
    src->Seek(1000);
    EXPECT_EQ(ReadN(*src, 10), std::vector<int32_t>(10, 0));
}

TEST(GsmFile, ReadsInAnyBlockSizeGiveTheContinuousDecoding) {
    GsmFixture fx("gsm-blocks");
    for (int32_t block : {1, 13, 159, 160, 161, 333, 8192}) {
        SCOPED_TRACE(block);
        LSoundSourcePtr src = OpenGSMSource(fx.path.c_str());
        EXPECT_EQ(ReadAll(*src, block), fx.decoded);
    }
}

TEST(GsmFile, OutsideTheFileReadsSilence) {
    GsmFixture fx("gsm-outside", 4);
    LSoundSourcePtr src = OpenGSMSource(fx.path.c_str());
    // From -30: 30 zeros, then the stream from its start.
    src->Seek(-30);
    auto r = ReadN(*src, 100);
    EXPECT_EQ(std::vector<int32_t>(r.begin(), r.begin() + 30), std::vector<int32_t>(30, 0));
    EXPECT_EQ(std::vector<int32_t>(r.begin() + 30, r.end()), std::vector<int32_t>(fx.decoded.begin(), fx.decoded.begin() + 70));
    EXPECT_EQ(src->GetPosition(), 70);
    // Entirely before 0.
    src->Seek(-500);
    EXPECT_EQ(ReadN(*src, 200), std::vector<int32_t>(200, 0));
    // Across the end: the tail of the stream, then zeros.
    src->Seek(0);
    ReadN(*src, 600);
    r = ReadN(*src, 100);
    EXPECT_EQ(std::vector<int32_t>(r.begin(), r.begin() + 40), std::vector<int32_t>(fx.decoded.begin() + 600, fx.decoded.end()));
    EXPECT_EQ(std::vector<int32_t>(r.begin() + 40, r.end()), std::vector<int32_t>(60, 0));
    EXPECT_EQ(src->GetPosition(), 700);
    EXPECT_EQ(ReadN(*src, 50), std::vector<int32_t>(50, 0));
}

TEST(GsmFile, SeekDecodesItsFrameWithAFreshDecoder) {
    GsmFixture fx("gsm-seek");
    LSoundSourcePtr src = OpenGSMSource(fx.path.c_str());
    ReadN(*src, 1234);  // leave the decoder somewhere else first
    src->Seek(200);
    EXPECT_EQ(src->GetPosition(), 200);
    const auto fresh1 = fx.Fresh(1);
    EXPECT_EQ(ReadN(*src, 10), std::vector<int32_t>(fresh1.begin() + 40, fresh1.begin() + 50));
    // The following frames continue from that decoder.
    for (int32_t p : {0, 1, 159, 160, 161, 3199}) {
        SCOPED_TRACE(p);
        src->Seek(p);
        LGSMFrame dec;
        std::vector<int32_t> expect;
        for (int f = p / 160; f < 20; ++f) {
            int32_t out[160];
            dec.DecodeNormal(fx.bytes.data() + f * kGSMFrameBytes, out);
            expect.insert(expect.end(), out, out + 160);
        }
        expect.erase(expect.begin(), expect.begin() + p % 160);
        EXPECT_EQ(ReadAll(*src, 77), expect);
    }
    // At and past the end there is nothing left to read.
    for (int32_t p : {3200, 3300}) {
        src->Seek(p);
        EXPECT_EQ(ReadN(*src, 20), std::vector<int32_t>(20, 0));
    }
}

TEST(GsmFile, AFileCutShortUnderTheReaderGivesSilence) {
    GsmFixture fx("gsm-shrink");
    LSoundSourcePtr src = OpenGSMSource(fx.path.c_str());
    ASSERT_EQ(src->GetLength(), 3200);
    {
        LFile f;
        ASSERT_TRUE(f.Open(fx.path.c_str(), LFile::kReadWrite));
        ASSERT_TRUE(f.Seek(5 * kGSMFrameBytes + 10));
        ASSERT_TRUE(f.Truncate());
    }
    const auto all = ReadAll(*src, 500);
    ASSERT_EQ(all.size(), 3200u);
    EXPECT_EQ(std::vector<int32_t>(all.begin(), all.begin() + 800), std::vector<int32_t>(fx.decoded.begin(), fx.decoded.begin() + 800));
    EXPECT_EQ(std::vector<int32_t>(all.begin() + 800, all.end()), std::vector<int32_t>(2400, 0));
}

TEST(GsmFile, SinkWritesWholeFramesPaddingTheLastWithSilence) {
    const std::string dir = ScratchDir("gsm-sink");
    const auto x = ToInternal(SpeechLike(800, Seed()));
    const struct {
        int32_t samples;
        size_t bytes;
    } cases[] = {{0, 0}, {1, 33}, {160, 33}, {161, 66}, {320, 66}, {321, 99}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.samples);
        const std::string path = dir + "/w" + std::to_string(c.samples) + ".gsm";
        {
            LSoundSinkPtr sink = OpenGSMSink(path.c_str());
            ASSERT_FALSE(sink->HasError());
            EXPECT_EQ(sink->nSampleRate, 8000);
            EXPECT_EQ(sink->nChans, 1);
            sink->Write(x.data(), c.samples);
            EXPECT_EQ(sink->nPosition, c.samples);
        }
        const auto bytes = ReadBytes(path);
        ASSERT_EQ(bytes.size(), c.bytes);
        // The same frames as the codec gives for the input followed by zeros.
        std::vector<int32_t> padded(bytes.size() / kGSMFrameBytes * 160, 0);
        std::copy(x.begin(), x.begin() + c.samples, padded.begin());
        LGSMFrame enc;
        for (size_t f = 0; f < padded.size() / 160; ++f) {
            uint8_t frame[kGSMFrameBytes];
            enc.EncodeNormal(padded.data() + f * 160, frame);
            EXPECT_EQ(0, std::memcmp(frame, bytes.data() + f * kGSMFrameBytes, kGSMFrameBytes)) << "frame " << f;
        }
    }
}

TEST(GsmFile, SinkOutputDoesNotDependOnHowWritesAreSplit) {
    const std::string dir = ScratchDir("gsm-split");
    const auto x = ToInternal(SpeechLike(160 * 130 + 17, Seed()));
    std::vector<uint8_t> first;
    for (int32_t block : {8192, 1, 7, 159, 160, 161, 5000}) {
        SCOPED_TRACE(block);
        const std::string path = dir + "/s" + std::to_string(block) + ".gsm";
        {
            LSoundSinkPtr sink = OpenGSMSink(path.c_str());
            for (size_t i = 0; i < x.size(); i += size_t(block))
                sink->Write(x.data() + i, int32_t(std::min<size_t>(size_t(block), x.size() - i)));
            sink->Seek(0);  // no effect
        }
        const auto bytes = ReadBytes(path);
        EXPECT_EQ(bytes.size(), 131u * kGSMFrameBytes);
        if (first.empty())
            first = bytes;
        else
            EXPECT_EQ(bytes, first);
    }
}

TEST(GsmFile, SinkReplacesAnExistingFileAndFailsCleanly) {
    const std::string dir = ScratchDir("gsm-replace");
    const std::string path = dir + "/r.gsm";
    ASSERT_TRUE(WriteBytes(path, std::vector<uint8_t>(1000, 0xAB)));
    { LSoundSinkPtr sink = OpenGSMSink(path.c_str()); }
    EXPECT_EQ(ReadBytes(path).size(), 0u);

    LSoundSinkPtr bad = OpenGSMSink((dir + "/no/such/folder/x.gsm").c_str());
    EXPECT_TRUE(bad->HasError());
    const auto x = ToInternal(SpeechLike(1000, Seed()));
    bad->Write(x.data(), 1000);  // discarded
    EXPECT_EQ(bad->nPosition, 1000);
}
