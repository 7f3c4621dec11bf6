// GSM 06.10 full-rate speech codec (RPE-LTP): 160 samples at 8000 Hz to one
// 33-byte frame and back. The analysis and synthesis steps follow the
// standard's fixed-point procedures, each tagged with its clause (4.2.x for
// the encoder, 4.3.x for the decoder, tables 4.1 to 4.6); the input and output ends work on the
// program's 32-bit samples: a DC-blocking and pre-emphasis front end that
// scales straight down to the codec's 16-bit words, and a de-emphasis that
// scales straight back up without truncating to 13 bits.
#pragma once
#include <cstdint>

namespace sondrel {

constexpr int kGSMFrameSamples = 160;
constexpr int kGSMFrameBytes = 33;

// The coded parameters of one frame, in the order they are packed:
// the signature, LARc[1..8], then per sub-frame Nc, bc, Mc, xmaxc, xMc[0..12].
constexpr int kGSMSubFrameFields = 17;
constexpr int kGSMFields = 1 + 8 + 4 * kGSMSubFrameFields;
constexpr int kGSMFieldLARc = 1;
constexpr int kGSMFieldSub = 9;
constexpr int kGSMSubNc = 0, kGSMSubbc = 1, kGSMSubMc = 2, kGSMSubxmaxc = 3, kGSMSubxMc = 4;

// Width in bits of each field, most significant bit first, no gaps.
extern const uint8_t kGSMFieldBits[kGSMFields];

void PackGSMFrame(const int16_t* fields, uint8_t* frame);
void UnpackGSMFrame(const uint8_t* frame, int16_t* fields);

class LGSMFrame {
public:
    LGSMFrame() { Reset(); }
    void Reset();

    // 160 internal samples to 33 bytes.
    void EncodeNormal(const int32_t* samples, uint8_t* frame);
    // 33 bytes to 160 internal samples.
    void DecodeNormal(const uint8_t* frame, int32_t* samples);

    // The stages of EncodeNormal, for callers that bring their own front end:
    // Preprocess turns 160 internal samples into the codec's 16-bit signal s,
    // AutoCorrelation computes lags 0..8 of s with its own adaptive scale, and
    // EncodeAnalysed codes s given those lags (s is used as scratch).
    void Preprocess(const int32_t* samples, int16_t* s);
    static void AutoCorrelation(const int16_t* s, int32_t* acf);
    void EncodeAnalysed(int16_t* s, const int32_t* acf, uint8_t* frame);

    // The stages of DecodeNormal: the short-term synthesis output sr (16-bit)
    // and the de-emphasis that scales it to internal samples.
    void DecodeSpeech(const uint8_t* frame, int16_t* sr);
    void Deemphasis(const int16_t* sr, int32_t* samples);

private:
    // Encoder.
    int16_t dp0[120];      // reconstructed short-term residual, last 120 samples
    int16_t LARppEnc[8];   // previous frame's decoded LARs
    int16_t u[8];          // short-term analysis filter memory
    int32_t iPrevIn;       // front end: previous input sample
    int32_t iOffsetAcc;    // front end: offset compensation accumulator (x1024)
    int32_t iPrevOut;      // front end: previous offset-compensated sample

    // Decoder.
    int16_t drp[120];
    int16_t LARppDec[8];
    int16_t v[9];
    int16_t nrp;
    int32_t msr;           // previous de-emphasised output (internal scale)
};

}  // namespace sondrel
