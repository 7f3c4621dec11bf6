// Fuzz targets hand the engine a file: the input bytes are written to a
// scratch file that the reader under test then opens by path.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/LSoundStream.h"

namespace sondrel::fuzz {

// Path of a per-process scratch file holding exactly these bytes.
std::string WriteInput(const uint8_t* data, size_t size, const char* extension);

// The size-growth guard: a reader may make at most this many frames of
// audio from each byte of its input (the densest format, MP3, makes about
// 12). More means it is making up audio the file does not hold, which a
// document load would write to the disk in full.
constexpr int64_t kMaxFramesPerInputByte = 1000;

// Reads a source to its end (bounded), seeks around, and reads again:
// exercises every path a document load and the wave display take. Aborts
// (a finding) when the source's length, before or after reading, breaks the
// size-growth guard for an input of inputBytes.
void Drain(LSoundSourceBase& source, size_t inputBytes, int32_t maxFrames = 1 << 20);

}  // namespace sondrel::fuzz
