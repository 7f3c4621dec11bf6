#include <gtest/gtest.h>

#include <random>

#include "core/LConvChannels.h"
#include "core/LPump.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// Interleaves two channels.
std::vector<int32_t> Stereo(const std::vector<int32_t>& left, const std::vector<int32_t>& right) {
    std::vector<int32_t> v;
    for (size_t i = 0; i < left.size(); ++i) {
        v.push_back(left[i]);
        v.push_back(right[i]);
    }
    return v;
}

std::vector<int32_t> Random(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<int32_t> v(n);
    for (auto& s : v) s = int32_t(rng() % 1048577) - 524288;
    return v;
}

}  // namespace

TEST(ConvertChannels, StereoToMonoKeepsTheLeftChannel) {
    // Full blocks, so the converter's own buffer is used to its size.
    const size_t n = 3 * 8192 + 5;
    std::vector<int32_t> left = Random(n, Seed());
    std::vector<int32_t> right = Random(n, Seed() + 1);
    struct Case { std::vector<int32_t> l, r, want; const char* what; };
    const Case cases[] = {
        {left, std::vector<int32_t>(n, 0), left, "right silent: left unchanged"},
        {std::vector<int32_t>(n, 0), right, std::vector<int32_t>(n, 0), "only right: silence"},
        {left, right, left, "both: right dropped"},
    };
    for (const Case& c : cases) {
        auto mono = LSPConvChannels(1).OpenSource(MakeSource<VectorSource>(Stereo(c.l, c.r), 22050, 2));
        ASSERT_EQ(mono->nChans, 1) << c.what;
        EXPECT_EQ(ReadAll(*mono), c.want) << c.what;
    }
}

TEST(ConvertChannels, MonoToStereoCopiesWithoutGain) {
    std::vector<int32_t> in = Random(2 * 8192 + 3, Seed());
    auto st = LSPConvChannels(2).OpenSource(MakeSource<VectorSource>(in, 22050, 1));
    ASSERT_EQ(st->nChans, 2);
    EXPECT_EQ(ReadAll(*st), Stereo(in, in));
}

TEST(ConvertChannels, FormatPositionAndSeekComeFromTheInput) {
    for (uint32_t from : {1u, 2u}) {
        uint32_t to = 3 - from;
        std::vector<int32_t> in(size_t(1000) * from);
        for (size_t i = 0; i < in.size(); ++i) in[i] = int32_t(i / from) * 16;  // frame index, both channels
        auto src = MakeSource<VectorSource>(in, 11025, from, kPeakBoundCutList);
        auto conv = LSPConvChannels(uint16_t(to)).OpenSource(src);
        ASSERT_NE(conv.Get(), src.Get());
        EXPECT_EQ(conv->nSampleRate, 11025);
        EXPECT_EQ(conv->iPeakBound, kPeakBoundCutList);
        EXPECT_EQ(conv->GetLength(), 1000);
        conv->Seek(700);
        EXPECT_EQ(conv->GetPosition(), 700);
        std::vector<int32_t> buf(size_t(400) * to, -1);
        conv->Read(buf.data(), 400);
        EXPECT_EQ(conv->GetPosition(), 1100);
        for (size_t f = 0; f < 400; ++f) {
            for (size_t c = 0; c < to; ++c)
                ASSERT_EQ(buf[f * to + c], f < 300 ? int32_t(700 + f) * 16 : 0) << from << "->" << to << " " << f;
        }
    }
    // A failed input passes through unchanged, so the caller sees its flag.
    auto failed = MakeSource<VectorSource>(std::vector<int32_t>(10), 0, 2);
    ASSERT_TRUE(failed->HasError());
    EXPECT_EQ(LSPConvChannels(1).OpenSource(failed).Get(), failed.Get());
    // Pairs other than mono and stereo are left alone.
    auto mono = MakeSource<VectorSource>(std::vector<int32_t>(10), 8000, 1);
    EXPECT_EQ(LSPConvChannels(3).OpenSource(mono).Get(), mono.Get());
    EXPECT_EQ(LSPConvChannels(256).OpenSource(mono).Get(), mono.Get());
}

TEST(ConvertChannels, StereoToMonoAndBackGivesTwoCopiesOfTheLeft) {
    std::vector<int32_t> left = Random(20000, Seed());
    std::vector<int32_t> right = Random(20000, Seed() + 7);
    std::vector<int32_t> mono, back;
    LNullProgress np;
    LPRSourceToSink down{"x", MakeSource<VectorSource>(Stereo(left, right), 44100, 2),
                         MakeSink<VectorSink>(&mono, 44100, 1)};
    ASSERT_EQ(Process(&np, down), kProcessDone);
    LPRSourceToSink up{"x", MakeSource<VectorSource>(mono, 44100, 1), MakeSink<VectorSink>(&back, 44100, 2)};
    ASSERT_EQ(Process(&np, up), kProcessDone);
    EXPECT_EQ(back, Stereo(left, left));
}
