// The arithmetic of the level meter (LDBDisplay) and the decibel slider
// (LDBEdit), without windows: clamping, bar geometry, the stripes that a
// change repaints, the slider's mouse mapping and its text.
#pragma once
#include <cstdint>
#include <string>

namespace sondrel {

constexpr int32_t kMeterMinDB = -36;
constexpr int32_t kMeterMaxDB = 12;
constexpr int32_t kMeterMaxBars = 8;

// A rectangle in client pixels, right and bottom exclusive.
struct LMeterRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

// Bars of levels in dB; "everything" repaints the whole client.
class LMeterModel {
public:
    struct Repaint {
        bool bAll = false;
        int32_t nStripes = 0;
        LMeterRect stripes[kMeterMaxBars];
    };

    static int32_t Clamp(int32_t dB) { return dB < kMeterMinDB ? kMeterMinDB : dB > kMeterMaxDB ? kMeterMaxDB : dB; }

    // One bar (the record dialog's input, or a single level).
    Repaint SetLevel(int32_t dB, int32_t width, int32_t height);
    // A channel levels record: count, then one level per channel.
    Repaint SetLevels(const int8_t* levels, int32_t count, int32_t width, int32_t height);

    // x of a level for a client width w: (level + 36) * w / 48.
    static int32_t LevelX(int32_t dB, int32_t w) { return (dB - kMeterMinDB) * w / (kMeterMaxDB - kMeterMinDB); }
    // Top and bottom of bar i of n over a height h.
    static int32_t BarTop(int32_t i, int32_t n, int32_t h) { return i * h / n; }

    // Green up to min(level, 0 dB), red from 0 dB to the level when above
    // 0, black for the rest.
    struct BarPaint {
        int32_t greenEnd, redEnd;  // x: [0, greenEnd) green, [greenEnd, redEnd) red, [redEnd, w) black
    };
    static BarPaint PaintBar(int32_t dB, int32_t w);

    int32_t nBars = 0;
    int8_t iLevels[kMeterMaxBars] = {};

private:
    LMeterRect Stripe(int32_t bar, int32_t oldDB, int32_t newDB, int32_t w, int32_t h) const;
};

// The decibel slider's value, range and text.
class LDBEditModel {
public:
    static constexpr int32_t kTrackStart = 32;  // the child edit's width at 96 DPI

    // Stores the value clamped to the range; true when it changed.
    bool SetValue(int32_t dB);
    // The range (maximum, minimum); the value is not touched.
    void SetRange(int32_t maximum, int32_t minimum) {
        iMax = int8_t(maximum);
        iMin = int8_t(minimum);
    }
    // Value under the mouse at x in a client of width w (x >= nTrackStart only).
    bool ValueAt(int32_t x, int32_t w, int32_t& dB) const;
    // x of a value on the track.
    int32_t ValueX(int32_t dB, int32_t w) const;
    // "%ddB", or "--dB" at -127 and below. (Typed text is read with the
    // mixer's TextToDB.)
    static std::string Text(int32_t dB);

    int8_t iValue = 0;
    int8_t iMax = 12;
    int8_t iMin = -36;
    // Where the track begins: the child edit's width, wider with a larger font.
    int16_t nTrackStart = kTrackStart;
};

}  // namespace sondrel
