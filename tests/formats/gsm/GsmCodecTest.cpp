#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>

#include "formats/gsm/LGSMFile.h"
#include "formats/GsmVoxUtil.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// Encodes whole frames of internal samples with one codec.
std::vector<uint8_t> EncodeAll(const std::vector<int32_t>& x) {
    LGSMFrame enc;
    std::vector<uint8_t> out(x.size() / 160 * kGSMFrameBytes);
    for (size_t f = 0; f < x.size() / 160; ++f) enc.EncodeNormal(x.data() + f * 160, out.data() + f * kGSMFrameBytes);
    return out;
}

std::vector<int32_t> DecodeAll(const std::vector<uint8_t>& bytes) {
    LGSMFrame dec;
    std::vector<int32_t> out(bytes.size() / kGSMFrameBytes * 160);
    for (size_t f = 0; f < bytes.size() / kGSMFrameBytes; ++f)
        dec.DecodeNormal(bytes.data() + f * kGSMFrameBytes, out.data() + f * 160);
    return out;
}

int16_t* Sub(int16_t* fields, int j) { return fields + kGSMFieldSub + kGSMSubFrameFields * j; }

}  // namespace

TEST(GsmFrameLayout, FieldsLandWhereTheFrameFormatPutsThem) {
    std::mt19937 rng(Seed());
    for (int round = 0; round < 200; ++round) {
        int16_t f[kGSMFields];
        for (int i = 0; i < kGSMFields; ++i) f[i] = int16_t(rng() & ((1u << kGSMFieldBits[i]) - 1));
        f[0] = 0xD;
        uint8_t b[kGSMFrameBytes];
        PackGSMFrame(f, b);
        const int16_t* L = f + kGSMFieldLARc;
        const int16_t* s0 = Sub(f, 0);
        const int16_t* s3 = Sub(f, 3);
        // Byte by byte from the published layout of the 33-byte frame.
        EXPECT_EQ(b[0], 0xD0 | (L[0] >> 2));
        EXPECT_EQ(b[1], ((L[0] & 3) << 6) | L[1]);
        EXPECT_EQ(b[2], (L[2] << 3) | (L[3] >> 2));
        EXPECT_EQ(b[3], ((L[3] & 3) << 6) | (L[4] << 2) | (L[5] >> 2));
        EXPECT_EQ(b[4], ((L[5] & 3) << 6) | (L[6] << 3) | L[7]);
        EXPECT_EQ(b[5], (s0[kGSMSubNc] << 1) | (s0[kGSMSubbc] >> 1));
        EXPECT_EQ(b[6], ((s0[kGSMSubbc] & 1) << 7) | (s0[kGSMSubMc] << 5) | (s0[kGSMSubxmaxc] >> 1));
        const int16_t* x0 = s0 + kGSMSubxMc;
        EXPECT_EQ(b[7], ((s0[kGSMSubxmaxc] & 1) << 7) | (x0[0] << 4) | (x0[1] << 1) | (x0[2] >> 2));
        const int16_t* x3 = s3 + kGSMSubxMc;
        EXPECT_EQ(b[32], ((x3[10] & 3) << 6) | (x3[11] << 3) | x3[12]);

        int16_t back[kGSMFields];
        UnpackGSMFrame(b, back);
        ASSERT_EQ(0, std::memcmp(f, back, sizeof f));
    }
}

TEST(GsmCodec, EncodedFramesCarryTheSignatureAndTheDecoderIgnoresIt) {
    const auto x = ToInternal(SpeechLike(160 * 20, Seed()));
    auto bytes = EncodeAll(x);
    for (size_t f = 0; f < bytes.size(); f += kGSMFrameBytes) EXPECT_EQ(bytes[f] >> 4, 0xD);
    auto unsigned_ = bytes;
    for (size_t f = 0; f < unsigned_.size(); f += kGSMFrameBytes) unsigned_[f] &= 0x0F;
    EXPECT_EQ(DecodeAll(bytes), DecodeAll(unsigned_));
}

TEST(GsmCodec, RoundTripKeepsSpeechAndItsLevel) {
    const auto in16 = SpeechLike(8000 * 10, Seed());
    const auto out = DecodeAll(EncodeAll(ToInternal(in16)));
    const auto a = AsDouble(in16), b = AsDouble(out, 1.0 / 16.0);
    const double snr = SnrDb(a, b);
    EXPECT_GT(snr, 6.0);
    EXPECT_NEAR(Rms(b) / Rms(a), 0.93, 0.07);  // the codec loses a little energy, as the standard's does
}

TEST(GsmCodec, ResetGivesAFreshCodec) {
    const auto x = ToInternal(SpeechLike(160 * 6, Seed()));
    LGSMFrame used;
    uint8_t scratch[kGSMFrameBytes];
    for (int f = 0; f < 6; ++f) used.EncodeNormal(x.data() + f * 160, scratch);
    int32_t tmp[160];
    used.DecodeNormal(scratch, tmp);
    used.Reset();
    LGSMFrame fresh;
    uint8_t a[kGSMFrameBytes], b[kGSMFrameBytes];
    for (int f = 0; f < 6; ++f) {
        used.EncodeNormal(x.data() + f * 160, a);
        fresh.EncodeNormal(x.data() + f * 160, b);
        ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << "frame " << f;
        int32_t da[160], db[160];
        used.DecodeNormal(a, da);
        fresh.DecodeNormal(b, db);
        ASSERT_EQ(0, std::memcmp(da, db, sizeof da)) << "frame " << f;
    }
}

TEST(GsmCodec, AnOutOfRangeLagRepeatsThePreviousOne) {
    // Real frames, so the history is rich; the sub-frame under test gets the
    // largest gain so that its lag shapes the output.
    const auto x = ToInternal(SpeechLike(160 * 12, Seed() + 1, 20000));
    auto bytes = EncodeAll(x);
    LGSMFrame warm;
    int32_t out[160];
    for (int f = 0; f < 10; ++f) warm.DecodeNormal(bytes.data() + f * kGSMFrameBytes, out);

    int16_t base[kGSMFields];
    UnpackGSMFrame(bytes.data() + 10 * kGSMFrameBytes, base);
    Sub(base, 0)[kGSMSubNc] = 57;
    Sub(base, 1)[kGSMSubbc] = 3;

    auto decodeWithLag = [&](const LGSMFrame& from, int16_t lag, int sub) {
        int16_t f[kGSMFields];
        std::memcpy(f, base, sizeof f);
        Sub(f, sub)[kGSMSubNc] = lag;
        uint8_t frame[kGSMFrameBytes];
        PackGSMFrame(f, frame);
        LGSMFrame d = from;
        std::vector<int32_t> r(160);
        d.DecodeNormal(frame, r.data());
        return r;
    };
    const auto expected = decodeWithLag(warm, 57, 1);
    ASSERT_NE(expected, decodeWithLag(warm, 90, 1));  // the lag does matter here
    for (int16_t bad : {0, 30, 39, 121, 127}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(decodeWithLag(warm, bad, 1), expected);
    }
    // A fresh decoder's previous lag is 40.
    LGSMFrame fresh;
    Sub(base, 0)[kGSMSubbc] = 3;
    EXPECT_EQ(decodeWithLag(fresh, 30, 0), decodeWithLag(fresh, 40, 0));
}

TEST(GsmCodec, AutocorrelationScaleAdaptsWithoutLosingTheShape) {
    std::mt19937 rng(Seed());
    struct Case {
        const char* name;
        std::function<int16_t(int)> s;
    };
    const Case cases[] = {
        {"quiet noise", [&](int) { return int16_t(int(rng() % 101) - 50); }},
        {"full-scale noise", [&](int) { return int16_t(int(rng() % 65536) - 32768); }},
        {"alternating extremes", [](int i) { return int16_t(i & 1 ? -32768 : 32767); }},
        {"constant top", [](int) { return int16_t(32767); }},
        {"constant bottom", [](int) { return int16_t(-32768); }},
        {"slow sine", [](int i) { return int16_t(std::lround(30000 * std::sin(i * 0.05))); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int16_t s[160];
        for (int i = 0; i < 160; ++i) s[i] = c.s(i);
        int32_t acf[9];
        LGSMFrame::AutoCorrelation(s, acf);
        double exact[9];
        for (int k = 0; k <= 8; ++k) {
            int64_t sum = 0;
            for (int i = k; i < 160; ++i) sum += int64_t(s[i]) * s[i - k];
            exact[k] = double(sum);
        }
        ASSERT_GT(acf[0], 0);
        EXPECT_LT(acf[0], 0x40000000);
        for (int k = 1; k <= 8; ++k)
            EXPECT_NEAR(double(acf[k]) / acf[0], exact[k] / exact[0], 2e-3) << "lag " << k;
    }
    int16_t silence[160] = {};
    int32_t acf[9];
    LGSMFrame::AutoCorrelation(silence, acf);
    for (int k = 0; k <= 8; ++k) EXPECT_EQ(acf[k], 0);
}

TEST(GsmCodec, AutocorrelationMatchesTheStepByStepProcedureAtEveryLevel) {
    // The procedure as stated: test after every group of four products.
    auto stepwise = [](const int16_t* s, int32_t* acf) {
        int shift = 2;
        for (int k = 0; k <= 8; ++k) {
            int32_t sum = 0;
            for (int i = k; i < 160; ++i) {
                sum += (int32_t(s[i]) * s[i - k]) >> shift;
                if ((i - k) % 4 == 3 || i == 159) {
                    while (sum >= 0x3FFFFFFF || sum <= -0x3FFFFFFF) {
                        ++shift;
                        sum >>= 1;
                        for (int j = 0; j < k; ++j) acf[j] >>= 1;
                    }
                }
            }
            acf[k] = sum;
        }
    };
    std::mt19937 rng(Seed());
    // Levels on both sides of the energy where the shift starts to grow.
    for (int peak : {3000, 5000, 5180, 5200, 5300, 6000, 10000, 32767}) {
        for (int round = 0; round < 50; ++round) {
            int16_t s[160];
            for (auto& v : s) v = int16_t(int(rng() % uint32_t(2 * peak + 1)) - peak);
            if (round % 2) {
                for (int i = 0; i < 160; ++i) s[i] = int16_t(i & 1 ? -peak : peak);  // rms = peak
                s[rng() % 160] = int16_t(rng() % 200);
            }
            int32_t a[9], b[9];
            LGSMFrame::AutoCorrelation(s, a);
            stepwise(s, b);
            ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << "peak " << peak << " round " << round;
        }
    }
}

TEST(GsmCodec, ExtremeInputAndGarbageFramesStayWithinThePeakBound) {
    // Input far beyond full scale is coded like full scale.
    std::vector<int32_t> loud(160 * 50), clipped(160 * 50);
    for (size_t i = 0; i < loud.size(); ++i) {
        const bool hi = (i / 20) & 1;
        loud[i] = hi ? INT32_MAX - int32_t(i) : INT32_MIN + int32_t(i);
        clipped[i] = hi ? 524287 : -524288;
    }
    EXPECT_EQ(EncodeAll(loud), EncodeAll(clipped));
    const auto out = DecodeAll(EncodeAll(loud));
    for (int32_t v : out) ASSERT_LE(std::abs(v), kGSMPeakBound);

    // Arbitrary bytes decode without leaving the bound.
    std::mt19937 rng(Seed());
    std::vector<uint8_t> junk(kGSMFrameBytes * 2000);
    for (auto& b : junk) b = uint8_t(rng());
    const auto decoded = DecodeAll(junk);
    int32_t peak = 0;
    for (int32_t v : decoded) peak = std::max(peak, std::abs(v));
    EXPECT_LE(peak, kGSMPeakBound);
}
