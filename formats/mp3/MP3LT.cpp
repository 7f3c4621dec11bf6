#include "formats/mp3/MP3LT.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "formats/mp3/MP3Tables.h"

namespace sondrel {

namespace {

constexpr int kLevelBits = 8;
constexpr uint32_t kLink = 0x80000000u;

struct HuffCode {
    uint32_t code;
    int32_t length;
    uint32_t value;
};

uint32_t Leaf(uint32_t value, int32_t used) { return value | (uint32_t(used) << 16); }

// Builds one lookup level for codes that share their first `depth` bits and
// returns its offset in nodes; `width` receives its index width.
uint32_t BuildLevel(std::vector<uint32_t>& nodes, const std::vector<HuffCode>& codes, int32_t depth,
                    int32_t& width) {
    int32_t longest = 1;
    for (const HuffCode& c : codes) longest = std::max(longest, c.length - depth);
    width = std::min(longest, kLevelBits);
    uint32_t base = uint32_t(nodes.size());
    // Bit patterns that no code starts with decode as zeros and consume the
    // whole index, so that damaged data always moves the reader on.
    nodes.resize(base + (size_t(1) << width), Leaf(0, width));

    std::vector<HuffCode> longer[1 << kLevelBits];
    for (const HuffCode& c : codes) {
        int32_t rest = c.length - depth;
        uint32_t restBits = c.code & ((1u << rest) - 1);
        if (rest <= width) {
            uint32_t first = restBits << (width - rest);
            for (uint32_t i = 0; i < (1u << (width - rest)); ++i) nodes[base + first + i] = Leaf(c.value, rest);
        } else {
            longer[restBits >> (rest - width)].push_back(c);
        }
    }
    for (uint32_t p = 0; p < (1u << width); ++p) {
        if (longer[p].empty()) continue;
        int32_t subWidth = 0;
        uint32_t sub = BuildLevel(nodes, longer[p], depth + width, subWidth);
        nodes[base + p] = kLink | sub | (uint32_t(width) << 16) | (uint32_t(subWidth) << 21);
    }
    return base;
}

void BuildHuffman(MP3LT& t) {
    t.huffNodes.reserve(16384);
    for (int32_t n = 0; n < 32; ++n) {
        const MP3HuffCodes& src = kMP3HuffCodes[n];
        t.huffRoot[n] = 0;
        t.huffRootBits[n] = 0;
        if (src.nSize == 0) continue;
        // Tables shared by several table numbers are built once.
        bool shared = false;
        for (int32_t m = 0; m < n; ++m) {
            if (kMP3HuffCodes[m].pCodes == src.pCodes) {
                t.huffRoot[n] = t.huffRoot[m];
                t.huffRootBits[n] = t.huffRootBits[m];
                shared = true;
                break;
            }
        }
        if (shared) continue;
        std::vector<HuffCode> codes;
        for (int32_t x = 0; x < src.nSize; ++x)
            for (int32_t y = 0; y < src.nSize; ++y) {
                int32_t i = x * src.nSize + y;
                codes.push_back({src.pCodes[i], src.pLengths[i], uint32_t(x << 4 | y)});
            }
        int32_t width = 0;
        t.huffRoot[n] = uint16_t(BuildLevel(t.huffNodes, codes, 0, width));
        t.huffRootBits[n] = uint8_t(width);
    }
    for (int32_t q = 0; q < 2; ++q) {
        const MP3HuffCodes& src = kMP3QuadCodes[q];
        std::vector<HuffCode> codes;
        for (int32_t i = 0; i < 16; ++i) codes.push_back({src.pCodes[i], src.pLengths[i], uint32_t(i)});
        int32_t width = 0;
        t.quadRoot[q] = uint16_t(BuildLevel(t.huffNodes, codes, 0, width));
        t.quadRootBits[q] = uint8_t(width);
    }
}

void Build(MP3LT& t) {
    const double pi = 3.14159265358979323846;

    // 2^19 / 2^16: window units to the program's full scale.
    for (int32_t i = 0; i <= 256; ++i) t.synthWindow[i] = float(kMP3WindowHalf[i] * 8);
    for (int32_t i = 257; i < 512; ++i) {
        int32_t m = 512 - i;
        t.synthWindow[i] = float((m % 64 == 0 ? kMP3WindowHalf[m] : -kMP3WindowHalf[m]) * 8);
    }

    for (int32_t i = 0; i < 256; ++i) t.globalGain[i] = float(std::pow(2.0, (i - 210) / 4.0));
    for (int32_t i = 0; i < 65; ++i) t.scaleGain[i] = float(std::pow(2.0, -i / 2.0));
    for (int32_t i = 0; i < 8207; ++i) t.power[i] = float(std::pow(double(i), 4.0 / 3.0));

    BuildHuffman(t);

    // Distinct outputs of the 36-point IMDCT: x[0..8] and x[18..26].
    for (int32_t k = 0; k < 18; ++k) {
        for (int32_t j = 0; j < 20; ++j) {
            int32_t i = j < 9 ? j : j + 9;
            t.imdctLong[k][j] = j < 18 ? float(std::cos(pi / 72.0 * (2 * i + 1 + 18) * (2 * k + 1))) : 0.0f;
        }
    }
    // Distinct outputs of the 12-point IMDCT: y[0..2] and y[6..8].
    for (int32_t j = 0; j < 6; ++j) {
        int32_t i = j < 3 ? j : j + 3;
        for (int32_t k = 0; k < 6; ++k)
            t.imdctShort[j][k] = float(std::cos(pi / 24.0 * (2 * i + 1 + 6) * (2 * k + 1)));
    }
    for (int32_t i = 0; i < 36; ++i) {
        double s36 = std::sin(pi / 36.0 * (i + 0.5));
        t.blockWindow[0][i] = float(s36);
        // Start block: long rise, flat, short fall, zeros.
        t.blockWindow[1][i] = float(i < 18 ? s36 : i < 24 ? 1.0 : i < 30 ? std::sin(pi / 12.0 * (i - 18 + 0.5)) : 0.0);
        t.blockWindow[2][i] = 0.0f;
        // Stop block: zeros, short rise, flat, long fall.
        t.blockWindow[3][i] = float(i < 6 ? 0.0 : i < 12 ? std::sin(pi / 12.0 * (i - 6 + 0.5)) : i < 18 ? 1.0 : s36);
    }
    for (int32_t i = 0; i < 12; ++i) t.shortWindow[i] = float(std::sin(pi / 12.0 * (i + 0.5)));

    for (int32_t i = 0; i < 8; ++i) {
        double c = kMP3AliasCoef[i];
        double d = std::sqrt(1.0 + c * c);
        t.aliasCs[i] = float(1.0 / d);
        t.aliasCa[i] = float(c / d);
    }

    for (int32_t p = 0; p < 7; ++p) {
        if (p == 6) {
            t.isRatio1[p][0] = 1.0f;
            t.isRatio1[p][1] = 0.0f;
        } else {
            double r = std::tan(p * pi / 12.0);
            t.isRatio1[p][0] = float(r / (1.0 + r));
            t.isRatio1[p][1] = float(1.0 / (1.0 + r));
        }
    }
    for (int32_t s = 0; s < 2; ++s) {
        double io = s == 0 ? std::pow(2.0, -0.25) : std::pow(2.0, -0.5);
        for (int32_t p = 0; p < 32; ++p) {
            double l = 1.0, r = 1.0;
            if (p & 1)
                l = std::pow(io, (p + 1) / 2);
            else
                r = std::pow(io, p / 2);
            t.isRatio2[s][p][0] = float(l);
            t.isRatio2[s][p][1] = float(r);
        }
    }

    auto dctStage = [&](float* c, int32_t n) {
        for (int32_t k = 0; k < n / 2; ++k) c[k] = float(1.0 / (2.0 * std::cos(pi * (2 * k + 1) / (2.0 * n))));
    };
    dctStage(t.dct32, 32);
    dctStage(t.dct16, 16);
    dctStage(t.dct8, 8);
    dctStage(t.dct4, 4);
    dctStage(&t.dct2, 2);
}

}  // namespace

uint32_t MP3HuffLookup(const MP3LT& lt, int32_t table, uint32_t window, int32_t* used) {
    uint32_t idx = table < 32 ? lt.huffRoot[table] : lt.quadRoot[table - 32];
    int32_t width = table < 32 ? lt.huffRootBits[table] : lt.quadRootBits[table - 32];
    int32_t pos = 0;
    if (width == 0) {  // a table without codes
        *used = 0;
        return 0;
    }
    for (;;) {
        uint32_t bits = uint32_t((uint64_t(window) << (32 + pos)) >> (64 - width));
        uint32_t e = lt.huffNodes[idx + bits];
        pos += int32_t((e >> 16) & 31);
        if (!(e & kLink)) {
            *used = pos;
            return e & 0xFFFF;
        }
        idx = e & 0xFFFF;
        width = int32_t((e >> 21) & 31);
    }
}

const MP3LT& InitTables() {
    // A function-local static is initialised exactly once, even when several
    // threads open their first MP3 file at the same time.
    static const std::unique_ptr<MP3LT> tables = [] {
        auto t = std::make_unique<MP3LT>();
        Build(*t);
        return t;
    }();
    return *tables;
}

}  // namespace sondrel
