// Decoding tables shared by every MP3 source of the process. They are
// computed from the constant tables once, on first use, and never change
// afterwards, so any number of decoders may read them concurrently.
#pragma once
#include <cstdint>
#include <vector>

namespace sondrel {

struct MP3LT {
    // Synthesis window D[i] scaled so that the standard's full scale (+-1.0)
    // comes out as the program's 16-bit full scale (2^19).
    float synthWindow[512];
    // 2^((i - 210) / 4): global gain.
    float globalGain[256];
    // 2^(-i / 2): scale-factor gain.
    float scaleGain[65];
    // i^(4/3) for every value a Huffman pair with linbits can carry.
    float power[8207];

    // Huffman decoding: multi-level lookup tables in one array. Entry bits
    // 0..15 value (x << 4 | y) or sub-table offset; 16..20 bits consumed;
    // 21..25 width of the sub-table; bit 31 marks a sub-table link.
    std::vector<uint32_t> huffNodes;
    uint16_t huffRoot[32];
    uint8_t huffRootBits[32];
    uint16_t quadRoot[2];
    uint8_t quadRootBits[2];

    // IMDCT: the 18 distinct outputs of the 36-point transform and the 6
    // of the 12-point one, and the windows of block types 0..3 (type 2
    // uses the 12-point window).
    // imdctLong[k][j]: input k's part of distinct output j (j < 18, padded
    // to 20 for whole vectors).
    float imdctLong[18][20];
    float imdctShort[6][6];
    float blockWindow[4][36];
    float shortWindow[12];

    // Alias-reduction butterflies.
    float aliasCs[8];
    float aliasCa[8];

    // Intensity stereo factors (left, right): MPEG-1 positions 0..6, and
    // MPEG-2 positions 0..31 for intensity scale 0 and 1.
    float isRatio1[7][2];
    float isRatio2[2][32][2];

    // Factors of the 32-point DCT used by the synthesis, per stage size.
    float dct32[16];
    float dct16[8];
    float dct8[4];
    float dct4[2];
    float dct2;
};

// The shared tables, built on the first call (thread-safe).
const MP3LT& InitTables();

// Decodes the code at the top of a 32-bit window (first bit in the most
// significant position) with Huffman table 0..31, or with quadruple table
// A (32) or B (33). Returns x << 4 | y (the quadruple's vwxy for 32, 33)
// and the bits used in *used.
uint32_t MP3HuffLookup(const MP3LT& lt, int32_t table, uint32_t window, int32_t* used);

}  // namespace sondrel
