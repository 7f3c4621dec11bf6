// ".flac" files through libFLAC: a reader of any FLAC stream (up to 32 bits
// and 8 channels, brought to the engine's format) and a 16-bit writer at a
// chosen compression level, both with the tags of Vorbis comments.
#pragma once
#include <cstdint>

#include "core/LSoundStream.h"
#include "formats/LOpenReport.h"

namespace sondrel {

constexpr int32_t kFLACDefaultLevel = 5;  // libFLAC's and the flac program's default
constexpr int32_t kFLACMaxLevel = 8;

// An error-flagged silent source when the file cannot be opened or is not FLAC.
LSoundSourcePtr OpenFLACSource(const char* path);
// A 16-bit writer; level 0 (fastest) to 8 (smallest). Error flag when the
// file cannot be created or the format not encoded.
LSoundSinkPtr OpenFLACSink(const char* path, int32_t rate, uint32_t chans, int32_t level, const LAudioTags& tags);

}  // namespace sondrel
