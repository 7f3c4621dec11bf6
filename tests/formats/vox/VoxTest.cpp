#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "formats/vox/LVoxFile.h"
#include "formats/GsmVoxUtil.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::vector<int32_t> DecodeBytes(const std::vector<uint8_t>& bytes) {
    LVoxCodec c;
    std::vector<int32_t> r;
    for (uint8_t b : bytes) {
        r.push_back(c.Decode(b >> 4));
        r.push_back(c.Decode(b & 15));
    }
    return r;
}

std::vector<uint8_t> RandomBytes(size_t n) {
    std::mt19937 rng(Seed());
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

std::vector<int32_t> ReadN(LSoundSourceBase& s, int32_t n) {
    std::vector<int32_t> r(size_t(n), 0x5A5A5A5A);
    s.Read(r.data(), n);
    return r;
}

std::vector<int32_t> Slice(const std::vector<int32_t>& v, size_t from, size_t n) {
    return std::vector<int32_t>(v.begin() + from, v.begin() + from + n);
}

}  // namespace

TEST(VoxCodec, DecodesFromTheInitialState) {
    // The byte 0x07: code 0 then code 7 at the smallest step. Code 0 is 1/8
    // step (16 x 256 / 8 = 512 internal, 32 in 16-bit terms), code 7 adds
    // 15/8 of it less 1/64 of the predictor.
    LVoxCodec c;
    EXPECT_EQ(c.Decode(0x0), 512);
    EXPECT_EQ(c.iStepIndex, -1);  // limited at the next code
    EXPECT_EQ(c.Decode(0x7), 512 + 16 * 480 - 8);
    EXPECT_EQ(c.iStepIndex, 8);
    EXPECT_EQ(c.Decode(0xF), 8184 - 34 * 480 - (8184 >> 6));  // step 34 at index 8, negative
}

TEST(VoxCodec, EncodesZeroFromTheInitialState) {
    LVoxCodec c;
    EXPECT_EQ(c.Encode(0), 0u);
    EXPECT_EQ(c.iPredictor, 512);
    EXPECT_EQ(c.iStepIndex, -1);
}

TEST(VoxCodec, DecisionLevelsSitJustAboveThePowersOfTwo) {
    // From the initial state (step 16, 256 x 16 internal per step unit).
    const struct {
        int32_t x;
        uint32_t code;
    } cases[] = {
        {0, 0},          {65 * 16, 0},      {66 * 16, 1},      {131 * 16, 1},     {132 * 16, 2},
        {263 * 16, 3},   {264 * 16, 4},     {462 * 16, 7},     {100000, 7},       {-1, 0},
        {-66 * 16, 9},   {-264 * 16, 12},   {-100000, 15},     {INT32_MAX, 7},    {INT32_MIN, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        LVoxCodec codec;
        EXPECT_EQ(codec.Encode(c.x), c.code);
    }
}

TEST(VoxCodec, StepIndexStaysInTheTableAndThePredictorDoesNotWrap) {
    LVoxCodec up;
    int32_t prev = 0;
    for (int i = 0; i < 20000; ++i) {
        const int32_t v = up.Decode(0x7);
        ASSERT_GT(v, prev - 1) << i;  // rises toward its leak limit, never wraps
        prev = v;
    }
    EXPECT_GT(prev, 0x200000);
    LVoxCodec down;
    for (int i = 0; i < 20000; ++i) down.Decode(i & 1 ? 0x0 : 0x8);
    down.Decode(0x0);
    EXPECT_EQ(down.iStepIndex, -1);  // bottom of the table, limited before use
    // An encoder driven by a huge swing stays sane too.
    LVoxCodec enc;
    for (int i = 0; i < 20000; ++i) enc.Encode(i & 64 ? INT32_MAX : INT32_MIN);
    EXPECT_LT(std::abs(enc.iPredictor), 1 << 27);
}

TEST(VoxCodec, RoundTripFollowsSpeechAtItsLevel) {
    const auto in = SpeechLike(8000 * 10, Seed());
    LVoxCodec enc, dec;
    std::vector<int32_t> out;
    for (int16_t s : in) out.push_back(dec.Decode(enc.Encode(FromPCM16(s))));
    const auto a = AsDouble(in), b = AsDouble(out, 1.0 / 16.0);
    EXPECT_GT(SnrDb(a, b), 12.0);
    EXPECT_NEAR(Rms(b) / Rms(a), 1.0, 0.03);
}

TEST(VoxFile, LengthIsTwoSamplesPerByte) {
    const std::string dir = ScratchDir("vox-len");
    for (size_t bytes : {size_t(0), size_t(1), size_t(1000)}) {
        const std::string path = dir + "/f" + std::to_string(bytes) + ".vox";
        ASSERT_TRUE(WriteBytes(path, RandomBytes(bytes)));
        LSoundSourcePtr src = OpenVOXSource(path.c_str(), 11025);
        EXPECT_FALSE(src->HasError());
        EXPECT_EQ(src->GetLength(), int32_t(2 * bytes));
        EXPECT_EQ(src->nSampleRate, 11025);
        EXPECT_EQ(src->nChans, 1);
        EXPECT_EQ(src->iPeakBound, 0x200000);
    }
    LSoundSourcePtr missing = OpenVOXSource((dir + "/none.vox").c_str(), 8000);
    EXPECT_TRUE(missing->HasError());
    EXPECT_EQ(missing->GetLength(), 0);
    EXPECT_EQ(ReadN(*missing, 33), std::vector<int32_t>(33, 0));
}

TEST(VoxFile, ReadsSplitAnywhereGiveTheContinuousDecoding) {
    const std::string path = ScratchDir("vox-split") + "/a.vox";
    const auto bytes = RandomBytes(20000);
    ASSERT_TRUE(WriteBytes(path, bytes));
    const auto all = DecodeBytes(bytes);
    // Sequences of request sizes, repeated until the file is read: odd sizes
    // leave half a byte pending, 16385 crosses the per-call byte buffer.
    const std::vector<std::vector<int32_t>> patterns = {{1}, {3, 1}, {2}, {5, 8192}, {16385}, {40000}, {7, 16384, 1}};
    for (const auto& pattern : patterns) {
        SCOPED_TRACE(::testing::PrintToString(pattern));
        LSoundSourcePtr src = OpenVOXSource(path.c_str(), 8000);
        std::vector<int32_t> got;
        for (size_t i = 0; got.size() < all.size(); ++i) {
            const int32_t n = std::min<int32_t>(pattern[i % pattern.size()], int32_t(all.size() - got.size()));
            const auto part = ReadN(*src, n);
            got.insert(got.end(), part.begin(), part.end());
        }
        EXPECT_EQ(got, all);
        EXPECT_EQ(src->GetPosition(), 40000);
        EXPECT_EQ(ReadN(*src, 9), std::vector<int32_t>(9, 0));  // past the end
    }
}

TEST(VoxFile, SeekLandsOnTheExactSample) {
    const std::string path = ScratchDir("vox-seek") + "/a.vox";
    const auto bytes = RandomBytes(3000);
    ASSERT_TRUE(WriteBytes(path, bytes));
    const auto all = DecodeBytes(bytes);
    // Seeking to where the reader already is changes nothing, odd or even.
    for (int32_t p : {0, 1, 2, 3, 101, 2000, 5999}) {
        SCOPED_TRACE(p);
        LSoundSourcePtr src = OpenVOXSource(path.c_str(), 8000);
        ReadN(*src, p);
        src->Seek(p);
        EXPECT_EQ(src->GetPosition(), p);
        EXPECT_EQ(ReadN(*src, 6000 - p), Slice(all, size_t(p), size_t(6000 - p)));
    }
    // From a fresh state, the first sample after Seek(p) is code p of the file.
    for (int32_t p : {1, 2, 7, 4444}) {
        SCOPED_TRACE(p);
        LSoundSourcePtr src = OpenVOXSource(path.c_str(), 8000);
        src->Seek(p);
        LVoxCodec c;
        const uint8_t b = bytes[size_t(p / 2)];
        EXPECT_EQ(ReadN(*src, 1)[0], c.Decode(p & 1 ? b & 15 : b >> 4));
    }
    // Before the start: zeros up to position 0, then the file from its start,
    // decoded from the state the codec was left in.
    LSoundSourcePtr src = OpenVOXSource(path.c_str(), 8000);
    ReadN(*src, 777);
    src->Seek(-5);
    const auto r = ReadN(*src, 10);
    EXPECT_EQ(Slice(r, 0, 5), std::vector<int32_t>(5, 0));
    LVoxCodec carried;
    for (int i = 0; i < 777; ++i) carried.Decode(i & 1 ? bytes[size_t(i / 2)] & 15 : bytes[size_t(i / 2)] >> 4);
    std::vector<int32_t> expect;
    for (int i = 0; i < 5; ++i) expect.push_back(carried.Decode(i & 1 ? bytes[size_t(i / 2)] & 15 : bytes[size_t(i / 2)] >> 4));
    EXPECT_EQ(Slice(r, 5, 5), expect);
    EXPECT_EQ(src->GetPosition(), 5);
}

TEST(VoxFile, SinkPacksPairsAndHoldsAnOddSample) {
    const std::string dir = ScratchDir("vox-sink");
    const auto x = ToInternal(SpeechLike(100, Seed()));
    LVoxCodec ref;
    std::vector<uint32_t> codes;
    for (int32_t s : x) codes.push_back(ref.Encode(s));
    const struct {
        std::vector<int32_t> writes;
        size_t bytes;
    } cases[] = {
        {{}, 0}, {{1}, 0}, {{2}, 1}, {{3, 1}, 2}, {{5}, 2}, {{1, 1, 1, 1, 1}, 2}, {{3, 0, 3}, 3}, {{99}, 49}, {{100}, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.writes));
        const std::string path = dir + "/s.vox";
        int32_t total = 0;
        {
            LSoundSinkPtr sink = OpenVOXSink(path.c_str(), 22050);
            ASSERT_FALSE(sink->HasError());
            EXPECT_EQ(sink->nSampleRate, 22050);
            for (int32_t n : c.writes) {
                sink->Write(x.data() + total, n);
                total += n;
            }
            EXPECT_EQ(sink->nPosition, total);
        }
        const auto bytes = ReadBytes(path);
        ASSERT_EQ(bytes.size(), c.bytes);
        for (size_t i = 0; i < bytes.size(); ++i) {
            EXPECT_EQ(bytes[i], (codes[2 * i] << 4) | codes[2 * i + 1]) << "byte " << i;
        }
    }
    LSoundSinkPtr bad = OpenVOXSink((dir + "/no/such/x.vox").c_str(), 8000);
    EXPECT_TRUE(bad->HasError());
    bad->Write(x.data(), 100);
}

TEST(VoxFile, LongWritesMatchTheCodec) {
    const std::string path = ScratchDir("vox-long") + "/l.vox";
    const auto x = ToInternal(SpeechLike(40001, Seed()));
    {
        LSoundSinkPtr sink = OpenVOXSink(path.c_str(), 8000);
        sink->Write(x.data(), 1);
        sink->Write(x.data() + 1, 40000);  // crosses the 16384-sample buffer with a nibble pending
    }
    LVoxCodec ref;
    std::vector<uint8_t> expect;
    for (size_t i = 0; i + 1 < x.size(); i += 2) expect.push_back(uint8_t((ref.Encode(x[i]) << 4) | ref.Encode(x[i + 1])));
    EXPECT_EQ(ReadBytes(path), expect);
}

TEST(VoxRate, RangeCheckOfTheRateBox) {
    const struct {
        const char* text;
        bool ok;
        int32_t rate;
    } cases[] = {
        {"5000", false, 0},  {"5999", false, 0},  {"6000", true, 6000},   {"8000", true, 8000},
        {"96000", true, 96000}, {"96001", false, 0}, {" 11025 ", true, 11025}, {"", false, 0},
        {"8k", false, 0},    {"-8000", false, 0}, {"80 00", false, 0},    {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t rate = -1;
        EXPECT_EQ(ParseVoxSampleRate(c.text, &rate), c.ok);
        if (c.ok) {
            EXPECT_EQ(rate, c.rate);
        }
    }
    for (const char* choice : kVoxRateChoices) EXPECT_TRUE(ParseVoxSampleRate(choice, nullptr)) << choice;
    EXPECT_STREQ(kVoxRateErrorText, "Sample rates must be between 6000 and 96000 samples per second.");
    EXPECT_STREQ(kVoxRateErrorTitle, "Error");
}
