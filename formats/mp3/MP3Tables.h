// Constant tables of MPEG audio Layer III (ISO/IEC 11172-3 and 13818-3):
// header bit rates and sampling rates, scale-factor band boundaries, the
// scale-factor length tables, the Huffman code tables and the synthesis
// window. Everything derived from them lives in MP3LT.
#pragma once
#include <cstdint>

namespace sondrel {

// Layer III bit rates in kbit/s by bitrate index; row 0 MPEG-1, row 1 the
// lower sampling frequencies (MPEG-2 and MPEG-2.5). 0 = free or forbidden.
extern const int16_t kMP3Bitrates[2][16];
// Sampling rate by sampling_frequency index, before the version shift.
extern const int32_t kMP3SampleRates[3];

// Scale-factor band boundaries in spectral lines, indexed by
// version * 3 + sampling_frequency. Long: 23 boundaries (22 bands);
// short: 14 boundaries (13 bands, lines of one window).
extern const int16_t kMP3LongBands[9][23];
extern const int16_t kMP3ShortBands[9][14];

// Long-block pre-emphasis added when preflag is set.
extern const uint8_t kMP3Pretab[22];
// MPEG-1 scalefac_compress -> (slen1, slen2).
extern const uint8_t kMP3Slen[2][16];
// MPEG-2 number of scale factors per slen group:
// [table][block kind: long, short, mixed][group].
extern const uint8_t kMP3LsfBandCounts[6][3][4];

// Alias-reduction coefficients c[i].
extern const double kMP3AliasCoef[8];

// Synthesis window D[i] for i = 0..256 in units of 2^-16. The rest follows
// from D[512 - i] = D[i] when i is a multiple of 64 and -D[i] otherwise.
extern const int32_t kMP3WindowHalf[257];

// One Huffman code table: size x size entries, x-major, with the code
// value (right-aligned) and its length in bits.
struct MP3HuffCodes {
    int32_t nSize;
    const uint16_t* pCodes;
    const uint8_t* pLengths;
};
// Code table used by table_select 0..31 (nSize 0 = no code: values are 0).
extern const MP3HuffCodes kMP3HuffCodes[32];
extern const uint8_t kMP3Linbits[32];
// Quadruple tables A and B, indexed by v*8 + w*4 + x*2 + y.
extern const MP3HuffCodes kMP3QuadCodes[2];

}  // namespace sondrel
