// Small pieces shared by the effect sources.
#pragma once
#include <cstdint>

namespace sondrel {

// Delay-line length in samples: frames(ms) * chans, frames as the range pump
// converts milliseconds (truncating), kept within [minimum, maximum] (a
// negative or overflowing time gives the minimum or the maximum, never a
// wrapped length).
int32_t DelaySamples(int32_t ms, int32_t rate, uint32_t chans, int32_t minimum, int32_t maximum);

// Zeroes the frames of a block read at position pos that lie before 0 or at
// or past length: effects that ring on (echo tails, filter responses) keep
// silence outside their material.
void ZeroOutside(int32_t* buffer, int32_t n, uint32_t chans, int32_t pos, int32_t length);

}  // namespace sondrel
