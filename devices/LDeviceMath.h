// The arithmetic of the wave devices, kept apart from the device calls so
// that it is the same in both builds: device buffer sizes, sample and time
// conversions, the level of a buffer as the player and the recorder measure
// it, the recorder's DC filter and the cue snippet's layout.
#pragma once
#include <cstdint>

#include "core/LSoundTime.h"

namespace sondrel {

constexpr int32_t kLevelSilent = -127;

// Channel levels record: a count and one level in dB per channel, -127
// meaning silence, range -127..127.
struct LChannelLevels {
    uint8_t nCount = 0;
    int8_t iLevels[256] = {};
};

// Frames in one device buffer: 100 ms, clamped to 20..8192.
int32_t DeviceBufferFrames(int32_t rate);

// Frames to milliseconds and back at a rate (at least 1), in integer
// arithmetic: ms = f / r * 1000 + (f % r) * 1000 / r.
inline int32_t FramesToMs(int32_t frames, int32_t rate) {
    return LSoundTime::FromSamples(frames, rate < 1 ? 1 : rate).ms;
}
inline int32_t MsToFrames(int32_t ms, int32_t rate) { return LSoundTime(ms).GetSamples(rate < 1 ? 1 : rate); }

// Player: the level of one channel over n frames from the mean of
// (s >> 5)^2, 10 * log10(mean / 8388607) rounded half away from zero. A
// full-scale square reads about +15.
int32_t PlayerLevelFromMeanSquare(int64_t meanSquare);
int32_t PlayerChannelLevel(const int32_t* samples, int32_t frames, int32_t chans, int32_t channel);
// Every channel's level into levels (count = chans, at most 255).
void PlayerLevels(const int32_t* samples, int32_t frames, int32_t chans, LChannelLevels& levels);

// Recorder: the level of one channel from its peak, 20 * log10(peak /
// 131072) rounded half away from zero. A full-scale sine reads about +12.
int32_t RecorderLevelFromPeak(int32_t peak);
void RecorderLevels(const int32_t* samples, int32_t frames, int32_t chans, LChannelLevels& levels);
// The level the recorder decides by: -127 with no channels, channel 0 with
// one, the louder of channels 0 and 1 with more.
int32_t DecisiveLevel(const LChannelLevels& levels);

// The recorder's DC filter: per channel, y = x - (acc >> 12), acc += y * k,
// with k = 192000 / rate + 1 (1 below rate 1). The accumulators carry over
// from buffer to buffer.
int32_t DCFilterCoefficient(int32_t rate);
class LDCFilter {
public:
    void Setup(int32_t rate, int32_t chans);
    void Apply(int32_t* samples, int32_t frames);
    int32_t Coefficient() const { return k_; }

private:
    int32_t k_ = 1;
    int32_t chans_ = 1;
    int32_t acc_[256] = {};
};

// Lays out a cue buffer of frames frames: the first q = (frames + 3) / 4
// frames, already there, repeated into the second and third quarters and
// their first frames - 3q into the last, so that the buffer holds the
// snippet four times.
int32_t CueSnippetFrames(int32_t frames);
void FillCueBuffer(int16_t* data, int32_t frames, int32_t chans);

}  // namespace sondrel
