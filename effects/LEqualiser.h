// The equaliser: a linear-phase FIR filter of 4095 taps designed by
// frequency sampling from a point curve, run in 32-bit integers on samples
// kept within 16 bits by a block-wise scaling shift.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "core/LSoundStream.h"
#include "effects/LEffectTable.h"
#include "effects/LEqKernel.h"
#include "effects/PointList.h"

namespace sondrel {

constexpr int32_t kEqBands = 2048;      // gain table entries, k * rate / 4096 Hz
constexpr int32_t kEqHalf = 2047;       // taps on each side of the centre
constexpr int32_t kEqAhead = 10240;     // frames read ahead of the output (2048 + 8192)
constexpr int32_t kEqFrames = 12287;    // buffered frames: history, block and look-ahead

// Gain per band in 1/128 units (128 = unity).
using LEqTable = std::array<uint8_t, kEqBands>;

// Table from a curve whose x spans 0 to about 20000 Hz (x * 78.43 Hz):
// linear between the points, the last point's y above the last point. A
// rate <= 0 counts as 44100; an empty list gives a flat table.
LEqTable CreateEqFromPointList(const PointList& points, int32_t rate);

// c[0] centre tap, c[j] weight of the pair at distance j; 32768 is unity.
// A flat table gives c[0] = 32768 and every other c[j] = 0.
void DesignEqCoefficients(const LEqTable& table, int32_t* c /* kEqBands */);

class LSRCEq : public LSRCFilter {
public:
    // kernel picks the inner loop: a vector one (all give identical output),
    // or, with reference = true, the plain symmetric-pair loop.
    LSRCEq(const LSoundSourcePtr& input, const LEqTable& table, LFirKernel kernel = LFirKernel::kBest,
           bool reference = false);
    void Read(int32_t* buffer, int32_t n) override;
    void Seek(int32_t position) override;
    int32_t GetPosition() override;

    const int32_t* Coefficients() const { return c_; }
    int32_t ScalingShift() const { return iShift; }

private:
    void Fill(int32_t firstFrame, int32_t frames);
    void ApplyInBufferScaling();
    void FilterReference(int32_t* out, int32_t m);
    void FilterFast(int32_t* out, int32_t m);

    int32_t c_[kEqBands];
    std::vector<int32_t> buf_;  // nChans x kEqFrames, interleaved
    int32_t nBlockPos = 0;      // output frames taken from the current block
    int32_t iShift = 0;         // buffer samples are stored >> iShift

    // The vector loop's view of the same buffer: one 16-bit plane per
    // channel and the taps mirrored around the centre (centre excluded).
    LFirFn fir_ = nullptr;
    std::vector<int16_t> planes_;
    size_t nPlaneStride = 0;
    std::vector<int16_t> tapStore_;
    int16_t* taps_ = nullptr;
    std::vector<int32_t> acc_;
};

class LSPEqualiser : public LSoundProcessor {
public:
    explicit LSPEqualiser(const LEqTable& table) : gainTable(table) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    LEqTable gainTable;
};

// The Equalizer command: the filter designed from the curve of the dialog
// ("equalizer.dat") at the audio's rate.
extern const LEffectDesc kEqualizerEffect;

}  // namespace sondrel
