// Reading, seeking, lengths and damaged input, on files made with lame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "formats/mp3/LMP3Source.h"
#include "formats/mp3/MP3TestUtil.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

struct Fixture {
    std::string path;
    size_t id3 = 0;  // bytes of the leading tag
    int32_t chans = 0;
    std::vector<int32_t> decoded;  // the whole file read from the start
};

std::vector<uint8_t> Id3Tag(size_t bytes) {
    std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, 0};
    const size_t body = bytes - 10;
    tag.push_back(uint8_t((body >> 21) & 0x7F));
    tag.push_back(uint8_t((body >> 14) & 0x7F));
    tag.push_back(uint8_t((body >> 7) & 0x7F));
    tag.push_back(uint8_t(body & 0x7F));
    tag.resize(bytes, 0);
    return tag;
}

class MP3Source : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!HavePeer("lame")) return;
        dir_ = new std::string(ScratchDir("mp3source"));
        auto make = [](const char* name, Signal s, int32_t rate, int32_t chans, double seconds, const char* lame,
                       size_t id3) {
            Fixture f;
            f.id3 = id3;
            const std::string wav = *dir_ + "/" + name + ".wav";
            f.path = *dir_ + "/" + name + ".mp3";
            if (!WriteWav16(wav, MakeSignal(s, rate, chans, seconds, 11), rate, chans) ||
                !LameEncode(wav, f.path, lame))
                return f;
            if (id3) {
                std::vector<uint8_t> bytes = ReadBytes(f.path), tag = Id3Tag(id3);
                bytes.insert(bytes.begin(), tag.begin(), tag.end());
                WriteBytes(f.path, bytes);
            }
            f.decoded = DecodeFile(f.path, &f.chans);
            return f;
        };
        fixtures_ = new std::vector<Fixture>{
            make("cbr", Signal::kMix, 44100, 2, 1.5, "-t -b 128", 0),
            make("cbr_id3", Signal::kTransients, 44100, 2, 3.0, "-t -b 128", 1000),
            make("vbr", Signal::kSweep, 44100, 2, 3.0, "-V 3", 0),
            // 8 kbit/s at 8000 Hz: main data reaches back over several frames.
            make("low_rate", Signal::kNoise, 8000, 1, 3.0, "-t -b 8", 0),
        };
    }
    static void TearDownTestSuite() {
        delete fixtures_;
        delete dir_;
        fixtures_ = nullptr;
        dir_ = nullptr;
    }
    void SetUp() override {
        if (!fixtures_) GTEST_SKIP() << "lame is needed";
        for (const Fixture& f : *fixtures_) ASSERT_FALSE(f.decoded.empty()) << f.path;
    }
    const Fixture& Get(size_t i) const { return (*fixtures_)[i]; }

    static std::vector<Fixture>* fixtures_;
    static std::string* dir_;
};

std::vector<Fixture>* MP3Source::fixtures_ = nullptr;
std::string* MP3Source::dir_ = nullptr;

// Expected frames [from, from + n) of a decoded file, zeros outside it.
std::vector<int32_t> Slice(const Fixture& f, int64_t from, int32_t n) {
    std::vector<int32_t> out(size_t(n) * f.chans, 0);
    const int64_t total = int64_t(f.decoded.size()) / f.chans;
    for (int32_t i = 0; i < n; ++i) {
        int64_t p = from + i;
        if (p < 0 || p >= total) continue;
        for (int32_t c = 0; c < f.chans; ++c) out[size_t(i) * f.chans + c] = f.decoded[size_t(p) * f.chans + c];
    }
    return out;
}

}  // namespace

TEST_F(MP3Source, SeekThenReadEqualsReadingFromTheStart) {
    std::mt19937 rng(Seed());
    for (const Fixture& f : *fixtures_) {
        SCOPED_TRACE(f.path);
        LSoundSourcePtr src = OpenMP3Source(f.path.c_str());
        ASSERT_FALSE(src->HasError());
        const int32_t total = int32_t(f.decoded.size()) / f.chans;
        std::vector<int32_t> positions = {0, 1, 575, 576, 1151, 1152, 1153, 4000, total / 2, total - 2000, total - 1};
        for (int32_t i = 0; i < 6; ++i) positions.push_back(int32_t(rng() % uint32_t(total)));
        // Backwards as well as forwards, on one source.
        positions.push_back(3000);
        positions.push_back(total / 3);
        for (int32_t p : positions) {
            SCOPED_TRACE("seek to " + std::to_string(p));
            src->Seek(p);
            EXPECT_EQ(src->GetPosition(), p);
            const int32_t n = 2500;
            std::vector<int32_t> got(size_t(n) * f.chans);
            src->Read(got.data(), n);
            EXPECT_EQ(src->GetPosition(), p + n);
            ASSERT_EQ(got, Slice(f, p, n));
        }
    }
}

TEST_F(MP3Source, NegativeAndBeyondTheEndReadZeros) {
    const Fixture& f = Get(0);
    const int32_t total = int32_t(f.decoded.size()) / f.chans;
    LSoundSourcePtr src = OpenMP3Source(f.path.c_str());
    struct Case {
        int32_t seek;
        int32_t n;
    };
    // Straddling 0, far before 0, at the end, straddling the end, beyond it.
    const Case cases[] = {{-700, 1500}, {-20000, 300}, {total, 1000}, {total - 300, 1000}, {total + 5000, 800}};
    for (const Case& c : cases) {
        SCOPED_TRACE("seek to " + std::to_string(c.seek));
        // Read the whole file first so that the length is exact.
        src->Seek(0);
        DecodeSource(*src);
        ASSERT_EQ(src->GetLength(), total);
        src->Seek(c.seek);
        std::vector<int32_t> got(size_t(c.n) * f.chans, 99);
        src->Read(got.data(), c.n);
        EXPECT_EQ(src->GetPosition(), c.seek + c.n);
        ASSERT_EQ(got, Slice(f, c.seek, c.n));
    }
}

// The same samples whatever the sizes of the reads.
TEST_F(MP3Source, ReadSizesDoNotMatter) {
    for (const Fixture& f : *fixtures_) {
        SCOPED_TRACE(f.path);
        LSoundSourcePtr src = OpenMP3Source(f.path.c_str());
        std::vector<int32_t> all;
        const int32_t sizes[] = {1, 577, 1152, 8192, 13, 576, 2000};
        const int32_t total = int32_t(f.decoded.size()) / f.chans;
        for (size_t i = 0; src->GetPosition() < total; ++i) {
            int32_t n = std::min(sizes[i % 7], total - src->GetPosition());
            std::vector<int32_t> buf(size_t(n) * f.chans);
            src->Read(buf.data(), n);
            all.insert(all.end(), buf.begin(), buf.end());
        }
        ASSERT_EQ(all, f.decoded);
    }
}

TEST_F(MP3Source, LengthEstimateIsRenewedAndExactAtTheEnd) {
    for (const Fixture& f : *fixtures_) {
        SCOPED_TRACE(f.path);
        LMP3Source* raw = new LMP3Source(f.path.c_str());
        LSoundSourcePtr src(raw);
        ASSERT_FALSE(src->HasError());
        const int64_t size = int64_t(ReadBytes(f.path).size());
        const int32_t spf = raw->SamplesPerFrame();
        // Before reading: the data (after the leading tag, less 128 bytes at
        // the end) in mean frames.
        EXPECT_EQ(src->GetLength(), spf * int32_t(double(size - 128 - int64_t(f.id3)) / raw->FrameBytes() + 0.9));
        std::vector<int32_t> seen;
        std::vector<int32_t> buf(size_t(4096) * f.chans);
        while (src->GetPosition() < src->GetLength()) {
            src->Read(buf.data(), 4096);
            seen.push_back(src->GetLength());
        }
        const int32_t total = int32_t(f.decoded.size()) / f.chans;
        EXPECT_EQ(src->GetLength(), total);
        EXPECT_EQ(total % spf, 0);
        if (f.path.find("vbr") != std::string::npos) {
            // Variable bit rate: the estimate moves while the file is read.
            std::sort(seen.begin(), seen.end());
            EXPECT_GT(std::unique(seen.begin(), seen.end()) - seen.begin(), 2);
        }
        if (HavePeer("mpg123")) {
            // lame's tag frame of the VBR file is audio (silence) here only.
            size_t extra = f.path.find("vbr") != std::string::npos ? size_t(spf) * f.chans : 0;
            EXPECT_EQ(f.decoded.size(), Mpg123Decode(f.path).size() + extra);
        }
    }
}

TEST_F(MP3Source, ThreeFrameFileUsesTheMeanOfItsHeaders) {
    const std::string wav = *dir_ + "/three.wav", mp3 = *dir_ + "/three_src.mp3", cut = *dir_ + "/three.mp3";
    ASSERT_TRUE(WriteWav16(wav, MakeSignal(Signal::kTransients, 44100, 2, 0.5, 3), 44100, 2));
    ASSERT_TRUE(LameEncode(wav, mp3, "-t -V 0"));
    std::vector<uint8_t> bytes = ReadBytes(mp3);
    size_t pos = 0;
    int64_t sum = 0;
    for (int32_t i = 0; i < 3; ++i) {
        MP3Header h;
        ASSERT_TRUE(h.Parse(&bytes[pos]));
        sum += h.bitrate;
        pos += size_t(h.FrameLength());
    }
    bytes.resize(pos);
    ASSERT_TRUE(WriteBytes(cut, bytes));
    LMP3Source src(cut.c_str());
    ASSERT_FALSE(src.HasError());
    EXPECT_EQ(src.ReferenceHeader().bitrate, int32_t(sum / 3));
    EXPECT_EQ(DecodeSource(src).size(), size_t(3 * 1152 * 2));
    EXPECT_EQ(src.GetLength(), 3 * 1152);
}

// A cut file decodes as far as its last whole frame, exactly as the whole
// file does there, and then ends.
TEST_F(MP3Source, TruncatedFilesEndWhereDecodingStops) {
    for (size_t fi : {size_t(0), size_t(3)}) {
        const Fixture& f = Get(fi);
        std::vector<uint8_t> bytes = ReadBytes(f.path);
        for (double part : {0.02, 0.3, 0.5013, 0.77, 0.999}) {
            SCOPED_TRACE(f.path + " cut at " + std::to_string(part));
            std::vector<uint8_t> cutBytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() * part));
            const std::string path = *dir_ + "/cut.mp3";
            ASSERT_TRUE(WriteBytes(path, cutBytes));
            LSoundSourcePtr src = OpenMP3Source(path.c_str());
            ASSERT_FALSE(src->HasError());
            std::vector<int32_t> got = DecodeSource(*src);
            EXPECT_EQ(size_t(src->GetLength()) * f.chans, got.size());
            ASSERT_LE(got.size(), f.decoded.size());
            EXPECT_GE(double(got.size()), double(f.decoded.size()) * part * 0.8 - 4608.0);
            ASSERT_TRUE(std::equal(got.begin(), got.end(), f.decoded.begin()));
        }
    }
}

// Damaged data never makes the decoder fail or leave the peak bound, and it
// finds its way back into the stream.
TEST_F(MP3Source, DamagedDataIsSurvived) {
    std::mt19937 rng(Seed());
    for (size_t fi = 0; fi < fixtures_->size(); ++fi) {
        const Fixture& f = Get(fi);
        const std::vector<uint8_t> bytes = ReadBytes(f.path);
        for (int32_t trial = 0; trial < 6; ++trial) {
            SCOPED_TRACE(f.path + " trial " + std::to_string(trial));
            std::vector<uint8_t> b = bytes;
            if (trial < 3) {
                // Random bit flips all over the file.
                for (int32_t i = 0; i < 40 * (trial + 1); ++i) b[rng() % b.size()] ^= uint8_t(1u << (rng() % 8));
            } else if (trial == 3) {
                // Random bytes inserted in the middle.
                std::vector<uint8_t> junk(3000);
                for (uint8_t& x : junk) x = uint8_t(rng());
                b.insert(b.begin() + std::ptrdiff_t(b.size() / 2), junk.begin(), junk.end());
            } else if (trial == 4) {
                // A run of 0xFF bytes (sync patterns everywhere) in the middle.
                std::fill(b.begin() + std::ptrdiff_t(b.size() / 3), b.begin() + std::ptrdiff_t(b.size() / 3 + 2000), 0xFF);
            } else {
                // Everything after the first frames replaced by random bytes.
                for (size_t i = 2000; i < b.size(); ++i) b[i] = uint8_t(rng());
            }
            const std::string path = *dir_ + "/damaged.mp3";
            ASSERT_TRUE(WriteBytes(path, b));
            LSoundSourcePtr src = OpenMP3Source(path.c_str());
            if (src->HasError()) continue;  // the damage may hit the first headers
            std::vector<int32_t> got = DecodeSource(*src);
            for (int32_t s : got) ASSERT_LE(std::abs(s), 0x200000);
            if (trial == 3) {
                // Decoding found its way back: the last frame is intact.
                const size_t tail = size_t(f.chans) * 576;
                ASSERT_GE(got.size(), tail);
                EXPECT_TRUE(std::equal(got.end() - std::ptrdiff_t(tail), got.end(), f.decoded.end() - std::ptrdiff_t(tail)));
            }
            // Seeking in damaged data is safe too.
            // (The damage may have changed what the first headers say.)
            src->Seek(int32_t(got.size() / src->nChans / 2));
            std::vector<int32_t> buf(size_t(3000) * src->nChans);
            src->Read(buf.data(), 3000);
        }
    }
}

// The standard's full scale is the program's 16-bit full scale (2^19): a
// sine at half of full scale decodes to peaks of about 2^18.
TEST_F(MP3Source, LevelIsThatOfSixteenBitPcm) {
    const std::string wav = *dir_ + "/level.wav", mp3 = *dir_ + "/level.mp3";
    const int32_t rate = 44100;
    std::vector<int16_t> pcm(static_cast<size_t>(rate));
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = int16_t(std::lround(16384.0 * std::sin(2 * 3.14159265358979 * 1000.0 * i / rate)));
    ASSERT_TRUE(WriteWav16(wav, pcm, rate, 1));
    ASSERT_TRUE(LameEncode(wav, mp3, "-t -b 320 -q 0"));
    std::vector<int32_t> out = DecodeFile(mp3);
    ASSERT_GT(out.size(), size_t(20000));
    int32_t peak = 0;
    for (size_t i = 10000; i < out.size() - 5000; ++i) peak = std::max(peak, std::abs(out[i]));
    EXPECT_NEAR(peak, 16384 * 16, 16384 * 16 * 0.03);
}
