// Seeking an LFile as the Ogg libraries' file callbacks ask it: an offset
// from a C-library origin (SEEK_SET, SEEK_CUR, SEEK_END), 0 when done.
#pragma once
#include <cstdint>
#include <cstdio>

#include "support/LFile.h"

namespace sondrel {

inline int SeekFile(LFile& f, int64_t offset, int whence) {
    int64_t base = whence == SEEK_CUR ? f.Tell() : whence == SEEK_END ? f.Size() : 0;
    if (base < 0) return -1;
    int64_t to = base + offset;
    if (to < 0 || to > f.Size()) return -1;
    return f.Seek(to) ? 0 : -1;
}

}  // namespace sondrel
