// Ogg Vorbis files (".ogg") through libvorbisfile and libvorbisenc: a reader
// brought to the engine's format (dithered from the decoder's floating
// point, mixed down past two channels) and a variable-bit-rate writer at a
// chosen quality, both with the tags of Vorbis comments.
#pragma once
#include <cstdint>

#include "core/LSoundStream.h"
#include "formats/LOpenReport.h"

namespace sondrel {

constexpr int32_t kVorbisDefaultQuality = 5;  // about 160 kbit/s for stereo at 44100 Hz
constexpr int32_t kVorbisMinQuality = 0, kVorbisMaxQuality = 10;

// An error-flagged silent source when the file cannot be opened or is not
// Ogg Vorbis. noteFailure false: says nothing (the caller tries Opus next).
LSoundSourcePtr OpenVorbisSource(const char* path, bool noteFailure = true);
// quality 0 (smallest) to 10 (best), the scale of the usual encoders.
LSoundSinkPtr OpenVorbisSink(const char* path, int32_t rate, uint32_t chans, int32_t quality, const LAudioTags& tags);

}  // namespace sondrel
