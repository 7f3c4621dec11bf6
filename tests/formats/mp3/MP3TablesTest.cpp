#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "formats/mp3/MP3FrameDecoder.h"
#include "formats/mp3/MP3LT.h"
#include "formats/mp3/MP3Tables.h"
#include "support/TestUtil.h"

using namespace sondrel;

namespace {

struct CodeTable {
    int32_t number;  // table_select, or 32/33 for the quadruple tables
    const MP3HuffCodes* codes;
};

std::vector<CodeTable> AllCodeTables() {
    std::vector<CodeTable> v;
    for (int32_t n = 0; n < 32; ++n)
        if (kMP3HuffCodes[n].nSize > 0) v.push_back({n, &kMP3HuffCodes[n]});
    v.push_back({32, &kMP3QuadCodes[0]});
    v.push_back({33, &kMP3QuadCodes[1]});
    return v;
}

}  // namespace

// A wrong length or code value in a transcribed table shows up as a code set
// that is no longer a complete prefix code.
TEST(MP3Tables, HuffmanTablesAreCompletePrefixCodes) {
    for (const CodeTable& t : AllCodeTables()) {
        SCOPED_TRACE("table " + std::to_string(t.number));
        const int32_t n = t.codes->nSize * t.codes->nSize;
        double kraft = 0.0;
        for (int32_t i = 0; i < n; ++i) {
            int32_t len = t.codes->pLengths[i];
            ASSERT_GE(len, 1);
            ASSERT_LE(len, 19);
            ASSERT_LT(uint32_t(t.codes->pCodes[i]), 1u << len);
            kraft += std::ldexp(1.0, -len);
            for (int32_t j = 0; j < n; ++j) {
                if (i == j) continue;
                int32_t lj = t.codes->pLengths[j];
                if (lj < len) continue;
                ASSERT_NE(uint32_t(t.codes->pCodes[j]) >> (lj - len), uint32_t(t.codes->pCodes[i]))
                    << "code " << i << " is a prefix of code " << j;
            }
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0);
    }
}

// The lookup tables built from the codes give every value back, whatever
// bits follow the code.
TEST(MP3Tables, HuffmanLookupDecodesEveryCode) {
    const MP3LT& lt = InitTables();
    std::mt19937 rng(test::Seed());
    for (const CodeTable& t : AllCodeTables()) {
        SCOPED_TRACE("table " + std::to_string(t.number));
        const int32_t size = t.codes->nSize;
        for (int32_t i = 0; i < size * size; ++i) {
            const int32_t len = t.codes->pLengths[i];
            for (int32_t trial = 0; trial < 4; ++trial) {
                uint32_t tail = rng() >> len;
                uint32_t window = (uint32_t(t.codes->pCodes[i]) << (32 - len)) | tail;
                int32_t used = 0;
                uint32_t v = MP3HuffLookup(lt, t.number, window, &used);
                ASSERT_EQ(used, len);
                if (t.number < 32)
                    ASSERT_EQ(v, uint32_t((i / size) << 4 | (i % size)));
                else
                    ASSERT_EQ(v, uint32_t(i));
            }
        }
    }
}

TEST(MP3Tables, BandBoundariesAreConsistent) {
    for (int32_t t = 0; t < 9; ++t) {
        SCOPED_TRACE(testing::Message() << "band table " << t);
        const int16_t* l = kMP3LongBands[t];
        const int16_t* s = kMP3ShortBands[t];
        EXPECT_EQ(l[0], 0);
        EXPECT_EQ(l[22], 576);
        EXPECT_EQ(s[0], 0);
        EXPECT_EQ(s[13], 192);
        for (int32_t i = 0; i < 22; ++i) {
            EXPECT_LT(l[i], l[i + 1]);
            EXPECT_EQ(l[i] % 2, 0);  // pairs of values never straddle a band
        }
        for (int32_t i = 0; i < 13; ++i) {
            EXPECT_LT(s[i], s[i + 1]);
            EXPECT_EQ(s[i] % 2, 0);
        }
        // The long part of a mixed block (8 long bands for MPEG-1, 6 for the
        // lower rates) ends where short band 3 starts.
        EXPECT_EQ(l[t < 3 ? 8 : 6], 3 * s[3]);
    }
}

TEST(MP3Tables, ReorderMapsArePermutations) {
    static uint16_t maps[3][576];
    for (int32_t version = 0; version < 3; ++version) {
        for (int32_t sf = 0; sf < 3; ++sf) {
            SCOPED_TRACE("version " + std::to_string(version) + " sf " + std::to_string(sf));
            ReorderMap(version, sf, maps);
            const int16_t* s = kMP3ShortBands[version * 3 + sf];
            for (int32_t kind = 0; kind < 3; ++kind) {
                std::set<int32_t> seen(maps[kind], maps[kind] + 576);
                EXPECT_EQ(seen.size(), 576u);
                EXPECT_EQ(*seen.rbegin(), 575);
            }
            for (int32_t k = 0; k < 576; ++k) {
                EXPECT_EQ(maps[kReorderLong][k], k);
                // Spectral order within a subband is line-major, window-minor.
                if (k < 3 * s[3]) {
                    EXPECT_EQ(maps[kReorderMixed][k], k);
                } else {
                    EXPECT_EQ(maps[kReorderMixed][k], maps[kReorderShort][k]);
                }
            }
            // First value of window 1 in band 0 lands right after window 0's.
            EXPECT_EQ(maps[kReorderShort][s[1]], 1);
            EXPECT_EQ(maps[kReorderShort][1], 3);
        }
    }
}

TEST(MP3Tables, FastDctMatchesItsDefinition) {
    const MP3LT& lt = InitTables();
    std::mt19937 rng(test::Seed());
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    const double pi = 3.14159265358979323846;
    for (int32_t trial = 0; trial < 20; ++trial) {
        float in[32], out[32];
        for (float& v : in) v = dist(rng);
        if (trial == 0)
            for (int32_t k = 0; k < 32; ++k) in[k] = k == 5 ? 1.0f : 0.0f;  // one subband alone
        MP3Dct32(lt, in, out);
        for (int32_t m = 0; m < 32; ++m) {
            double ref = 0.0;
            for (int32_t k = 0; k < 32; ++k) ref += in[k] * std::cos(m * (2 * k + 1) * pi / 64.0);
            ASSERT_NEAR(out[m], ref, 2e-5 * 32) << "trial " << trial << " output " << m;
        }
    }
}
