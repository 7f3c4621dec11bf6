// Base of the writers that hand their file's bytes over from an encoder
// library (FLAC, Ogg Vorbis, Opus): the file, created anew; every failure
// sets the error flag and notes the first cause with the file's name.
#pragma once
#include <cstdint>
#include <string>

#include "core/LSoundStream.h"
#include "support/LFile.h"

namespace sondrel {

class LSNKEncodedFile : public LSoundSinkBase {
protected:
    // rate below 1 or chans outside 1..maxChans: the error flag, no file.
    LSNKEncodedFile(const char* path, int32_t rate, uint32_t chans, uint32_t maxChans);

    // Writes bytes; false (and the error flag) when they did not all go.
    bool Put(const void* bytes, uint32_t count);
    // Flushes and closes the file; false when anything failed on the way.
    bool CloseFile();
    void FileFailed();

    std::string szPath;
    LFile file;
};

}  // namespace sondrel
