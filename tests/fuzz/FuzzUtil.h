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

// Reads a source to its end (bounded), seeks around, and reads again:
// exercises every path a document load and the wave display take.
void Drain(LSoundSourceBase& source, int32_t maxFrames = 1 << 20);

}  // namespace sondrel::fuzz
